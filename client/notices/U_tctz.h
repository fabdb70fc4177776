#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QFrame;
class QToolButton;

namespace vek {

// The pop-up notice: a small window on the top edge of the taskbar at the right of the primary screen,
// with the datagram's caption as title, the heading in a bold band and the body below. Closing it
// stops the tray's flashing and shows the main window. A closed pop-up is freed.
class Ttctz : public QWidget {
    Q_OBJECT
public:
    explicit Ttctz(QWidget* parent = nullptr);

    QLabel* Panel1;
    QPlainTextEdit* Memo1;
    QFrame* RzSeparator1;
    QWidget* Panel2;
    QLabel* Image1;
    QToolButton* SpeedButton1;

    // Places and shows the window (without taking the keyboard focus) and fills in the texts.
    void show(const QString& caption, const QString& heading, const QString& body);
    // Where the window goes: touching the right edge of the primary screen, on the taskbar's top edge.
    static QPoint placement(const QRect& screen, int taskbarHeight, const QSize& outer);
    static int taskbarHeight();
    // Closes and frees the window without the effects of the user's closing it (the main window
    // stays as it is, the tray goes on flashing): an old pop-up making room for a newer one.
    void dismiss();

    static constexpr int OuterWidth = 266;
    static constexpr int OuterHeight = 170;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormClose();
    bool m_dismissed = false;
};

} // namespace vek
