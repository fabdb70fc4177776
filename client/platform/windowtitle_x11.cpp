#include "windowtitle.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace vek::platform {

namespace {

Display* x11Display()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

void setExactWindowTitle(QWidget* window, const QString& title)
{
    QString escaped = title;
    escaped.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    window->setWindowTitle(escaped);
    if (!title.isEmpty() || !window->windowHandle())
        return;
    if (Display* d = x11Display()) {
        // Both the EWMH name and the ICCCM one, as Qt sets them, made empty.
        const Window w = Window(window->winId());
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                        PropModeReplace, nullptr, 0);
        XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace, nullptr, 0);
        XFlush(d);
    }
}

QString nativeWindowTitle(QWidget* window)
{
    Display* d = x11Display();
    if (!d || !window->windowHandle())
        return window->windowHandle() ? window->windowHandle()->title() : window->windowTitle();
    unsigned char* data = nullptr;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    QString out;
    if (XGetWindowProperty(d, Window(window->winId()), XInternAtom(d, "_NET_WM_NAME", False), 0, 4096, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &items, &after, &data) == Success &&
        data) {
        out = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items));
    }
    if (data)
        XFree(data);
    return out;
}

} // namespace vek::platform
