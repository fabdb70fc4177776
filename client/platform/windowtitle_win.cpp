#include "windowtitle.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <windows.h>

namespace vek::platform {

namespace {

// A real window of the system (not the offscreen platform's stand-in) behind the widget.
HWND nativeWindow(QWidget* window)
{
    if (!window->windowHandle() || QGuiApplication::platformName() != QLatin1String("windows"))
        return nullptr;
    return reinterpret_cast<HWND>(window->winId());
}

} // namespace

void setExactWindowTitle(QWidget* window, const QString& title)
{
    QString escaped = title;
    escaped.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    window->setWindowTitle(escaped);
    if (HWND hwnd = title.isEmpty() ? nativeWindow(window) : nullptr)
        SetWindowTextW(hwnd, L"");
}

QString nativeWindowTitle(QWidget* window)
{
    HWND hwnd = nativeWindow(window);
    if (!hwnd)
        return window->windowHandle() ? window->windowHandle()->title() : window->windowTitle();
    wchar_t text[1024] = {};
    const int n = GetWindowTextW(hwnd, text, 1024);
    return QString::fromWCharArray(text, n);
}

} // namespace vek::platform
