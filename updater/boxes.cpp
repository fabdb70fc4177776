#include "boxes.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace vekupd {

namespace {

BoxHandler& handler()
{
    static BoxHandler h;
    return h;
}

bool logToFile(const QString& text, const QString& caption, int flags, int* answer)
{
    static const QString path = qEnvironmentVariable("VEKORA_MESSAGE_LOG");
    if (path.isEmpty())
        return false;
    static QStringList answers =
        qEnvironmentVariable("VEKORA_MESSAGE_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    QFile f(path);
    if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
        QString line = caption + QLatin1Char('\t') + QString::number(flags) + QLatin1Char('\t') + text;
        line.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        f.write(line.toUtf8() + '\n');
    }
    *answer = answers.isEmpty() ? IdOk : answers.takeFirst().trimmed().toInt();
    return true;
}

} // namespace

void setMessageBoxHandler(BoxHandler h)
{
    handler() = std::move(h);
}

int messageBox(const QString& text, const QString& caption, int flags)
{
    if (handler())
        return handler()(text, caption, flags);
    int answer = IdOk;
    if (logToFile(text, caption, flags, &answer))
        return answer;

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MbIconError: box.setIcon(QMessageBox::Critical); break;
    case MbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case MbIconWarning: box.setIcon(QMessageBox::Warning); break;
    default: break;
    }
    if ((flags & 0x0F) == MbOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    return box.exec() == QMessageBox::Ok ? IdOk : IdCancel;
}

} // namespace vekupd
