#pragma once

#include <QDialog>

namespace Ui {
class Tsjts;
}

namespace vek {

// The upgrade prompt: says that a newer client exists; its one button hands over to the updater. It
// has no title-bar buttons, so the only way on is the upgrade.
class Tsjts : public QDialog {
    Q_OBJECT
public:
    explicit Tsjts(QWidget* parent = nullptr);
    ~Tsjts() override;

    void Button1Click(); // "升 级": the upgrade hand-over

    Ui::Tsjts* ui;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Esc does not close it
    void closeEvent(QCloseEvent* event) override;  // nor does a close request of the window manager
};

namespace forms {
// The prompt, once created; never cleared, so the prompt appears at most once per run.
inline Tsjts* sjts = nullptr;
} // namespace forms

// The periodic version check (Timer_vercheck of the main window): when the main catalog announces a
// newer version and no prompt exists yet, creates the prompt, owned by the application, and shows it
// modally. Errors of the check propagate to the caller.
void Timer_vercheckTimer();

} // namespace vek
