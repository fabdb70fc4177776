#pragma once

#include <QObject>

class QCoreApplication;

namespace vek {

// On the plant's workstations Enter on a focused push button presses it, as Space does. Qt does that
// only for the default button of a dialog; this filter does it for every push button and tool button
// (the navigation items) of every window. Enter with Ctrl, Alt or Shift, and a held key's repeats, are
// left alone.
class EnterPressesButton : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the filter on the application once (the application object does it at creation).
void installEnterPressesButton(QCoreApplication* app);

} // namespace vek
