#include "messagebox.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

namespace vek::platform {

namespace {

MessageBoxHandler& handler()
{
    static MessageBoxHandler h;
    return h;
}

// A process started by an automated check may name a file in VEKORA_MESSAGE_LOG: every box is then
// appended there as one line "caption<TAB>flags<TAB>text" (line breaks as \n) and answered with the
// next entry of VEKORA_MESSAGE_ANSWERS (comma-separated Windows results) or the first button.
bool logToFile(const QString& text, const QString& caption, int flags, int* answer)
{
    static const QString path = qEnvironmentVariable("VEKORA_MESSAGE_LOG");
    if (path.isEmpty())
        return false;
    static QStringList answers = qEnvironmentVariable("VEKORA_MESSAGE_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    QFile f(path);
    if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
        QString line = caption + QLatin1Char('\t') + QString::number(flags) + QLatin1Char('\t') + text;
        line.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        f.write(line.toUtf8() + '\n');
        f.close();
    }
    *answer = answers.isEmpty() ? defaultAnswer(flags) : answers.takeFirst().trimmed().toInt();
    return true;
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
    int answer = 0;
    if (logToFile(text, caption, flags, &answer))
        return answer;

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
