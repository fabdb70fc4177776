#pragma once

#include <QObject>

#include <memory>

namespace vek::platform {

// A system-wide hot key that acts whatever program has the focus (RegisterHotKey on Windows, a key
// grab on the X11 root window). Where the platform has no global hot keys (Wayland, offscreen) the
// registration silently does nothing.
class GlobalHotKey : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~GlobalHotKey() override = default;

    // Ctrl+Alt+<letter>; false when the platform refused it (another program holds it) or has none.
    virtual bool registerCtrlAlt(char letter) = 0;
    virtual void unregister() = 0;

Q_SIGNALS:
    void activated();
};

std::unique_ptr<GlobalHotKey> createGlobalHotKey(QObject* parent = nullptr);

} // namespace vek::platform
