#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vek::platform {

namespace {

MessageBoxHandler& handler()
{
    static MessageBoxHandler h;
    return h;
}

} // namespace

void setMessageBoxHandler(MessageBoxHandler h)
{
    handler() = std::move(h);
}

int defaultAnswer(int flags)
{
    const int buttons = flags & 0x0F;
    return (buttons == MbYesNo || buttons == MbYesNoCancel) ? IdYes : IdOk;
}

int tip(const QString& text)
{
    return messageBox(text, QStringLiteral("提示"), MbOk | MbIconWarning);
}

int messageBox(const QString& text, const QString& caption, int flags)
{
    if (const MessageBoxHandler& h = handler())
        return h(text, caption, flags);
    QMessageBox box(QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                        : QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText); // texts carry driver messages and values from rows
    box.setText(text);
    switch (flags & 0xF0) {
    case MbIconError: box.setIcon(QMessageBox::Critical); break;
    case MbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case MbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case MbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct B { QMessageBox::StandardButton std; int result; const char* text; };
    QList<B> buttons;
    switch (flags & 0x0F) {
    case MbOkCancel: buttons = {{QMessageBox::Ok, IdOk, "确定"}, {QMessageBox::Cancel, IdCancel, "取消"}}; break;
    case MbYesNoCancel:
        buttons = {{QMessageBox::Yes, IdYes, "是(&Y)"}, {QMessageBox::No, IdNo, "否(&N)"}, {QMessageBox::Cancel, IdCancel, "取消"}};
        break;
    case MbYesNo: buttons = {{QMessageBox::Yes, IdYes, "是(&Y)"}, {QMessageBox::No, IdNo, "否(&N)"}}; break;
    default: buttons = {{QMessageBox::Ok, IdOk, "确定"}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const B& b : buttons)
        set |= b.std;
    box.setStandardButtons(set);
    for (const B& b : buttons)
        box.button(b.std)->setText(QString::fromUtf8(b.text));
    box.setDefaultButton(buttons.first().std);
    const int pressed = box.exec();
    for (const B& b : buttons)
        if (pressed == b.std)
            return b.result;
    // Closed by the title bar: Windows answers Cancel where there is one, otherwise the only button.
    const int btn = flags & 0x0F;
    return (btn == MbOkCancel || btn == MbYesNoCancel) ? IdCancel : (btn == MbYesNo ? IdNo : IdOk);
}

} // namespace vek::platform
