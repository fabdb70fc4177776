#include "windowtitle.h"

#include <QWidget>
#include <QWindow>

#include <windows.h>

namespace vek::platform {

void setExactWindowTitle(QWidget* window, const QString& title)
{
    QString escaped = title;
    escaped.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    window->setWindowTitle(escaped);
    if (title.isEmpty() && window->windowHandle())
        SetWindowTextW(reinterpret_cast<HWND>(window->winId()), L"");
}

QString nativeWindowTitle(QWidget* window)
{
    if (!window->windowHandle())
        return window->windowTitle();
    wchar_t text[1024] = {};
    const int n = GetWindowTextW(reinterpret_cast<HWND>(window->winId()), text, 1024);
    return QString::fromWCharArray(text, n);
}

} // namespace vek::platform
