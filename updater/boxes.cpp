#include "boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vekupd {

namespace {

BoxHandler& handler()
{
    static BoxHandler h;
    return h;
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
