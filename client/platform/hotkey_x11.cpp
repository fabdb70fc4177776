#include "hotkey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace vek::platform {

namespace {

class NullHotKey final : public GlobalHotKey {
public:
    using GlobalHotKey::GlobalHotKey;
    bool registerCtrlAlt(char) override { return false; }
    void unregister() override {}
};

// XGrabKey on the root window, four times (plain, NumLock, CapsLock, both), and a filter on the key
// presses that Qt's xcb connection receives for the grab.
class X11HotKey final : public GlobalHotKey, public QAbstractNativeEventFilter {
public:
    X11HotKey(Display* display, QObject* parent) : GlobalHotKey(parent), m_display(display)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11HotKey() override
    {
        unregister();
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool registerCtrlAlt(char letter) override
    {
        unregister();
        const char name[2] = {char(QChar::fromLatin1(letter).toLower().toLatin1()), '\0'};
        m_keycode = XKeysymToKeycode(m_display, XStringToKeysym(name));
        if (m_keycode == 0)
            return false;
        m_modifiers = ControlMask | Mod1Mask;
        s_failed = false;
        XErrorHandler old = XSetErrorHandler(&X11HotKey::onError);
        const Window root = DefaultRootWindow(m_display);
        for (unsigned extra : kLockMasks)
            XGrabKey(m_display, m_keycode, m_modifiers | extra, root, True, GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
        XSetErrorHandler(old);
        if (s_failed) { // BadAccess: another program holds the combination
            unregister();
            return false;
        }
        m_registered = true;
        return true;
    }

    void unregister() override
    {
        if (!m_registered && m_keycode == 0)
            return;
        const Window root = DefaultRootWindow(m_display);
        for (unsigned extra : kLockMasks)
            XUngrabKey(m_display, m_keycode, m_modifiers | extra, root);
        XSync(m_display, False);
        m_registered = false;
        m_keycode = 0;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (!m_registered || eventType != "xcb_generic_event_t")
            return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        if ((ev->response_type & ~0x80) != XCB_KEY_PRESS)
            return false;
        const auto* key = static_cast<const xcb_key_press_event_t*>(message);
        const unsigned relevant = key->state & (ControlMask | Mod1Mask | ShiftMask | Mod4Mask);
        if (key->detail != m_keycode || relevant != m_modifiers)
            return false;
        Q_EMIT activated();
        return true;
    }

private:
    static int onError(Display*, XErrorEvent* e)
    {
        if (e->error_code == BadAccess)
            s_failed = true;
        return 0;
    }

    static constexpr unsigned kLockMasks[] = {0, Mod2Mask, LockMask, Mod2Mask | LockMask};
    static inline bool s_failed = false;
    Display* m_display;
    KeyCode m_keycode = 0;
    unsigned m_modifiers = 0;
    bool m_registered = false;
};

} // namespace

std::unique_ptr<GlobalHotKey> createGlobalHotKey(QObject* parent)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
            if (Display* d = x11->display())
                return std::make_unique<X11HotKey>(d, parent);
    }
    return std::make_unique<NullHotKey>(parent);
}

} // namespace vek::platform
