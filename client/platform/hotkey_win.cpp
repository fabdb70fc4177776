#include "hotkey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace vek::platform {

namespace {

// RegisterHotKey with a hidden message-only window is not needed: the thread's hot key messages reach
// Qt's event dispatcher, and this filter takes WM_HOTKEY for identifier 0.
class WinHotKey final : public GlobalHotKey, public QAbstractNativeEventFilter {
public:
    explicit WinHotKey(QObject* parent) : GlobalHotKey(parent)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~WinHotKey() override
    {
        unregister();
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    bool registerCtrlAlt(char letter) override
    {
        m_registered = ::RegisterHotKey(nullptr, 0, MOD_ALT | MOD_CONTROL, UINT(QChar::fromLatin1(letter).toUpper().toLatin1()));
        return m_registered;
    }
    void unregister() override
    {
        if (m_registered)
            ::UnregisterHotKey(nullptr, 0);
        m_registered = false;
    }
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_HOTKEY || msg->wParam != 0)
            return false;
        Q_EMIT activated();
        return true;
    }

private:
    bool m_registered = false;
};

} // namespace

std::unique_ptr<GlobalHotKey> createGlobalHotKey(QObject* parent)
{
    return std::make_unique<WinHotKey>(parent);
}

} // namespace vek::platform
