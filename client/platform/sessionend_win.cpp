#include "platform/sessionend.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <qt_windows.h>

namespace vek::platform {

namespace {

// Windows asks every top-level window whether the session may end (WM_QUERYENDSESSION) and then
// tells it the answer (WM_ENDSESSION). The client never holds the session up; when it does end, the
// teardown runs before the message is answered, because the process may be ended right after.
class SessionEndFilter final : public QAbstractNativeEventFilter {
public:
    explicit SessionEndFilter(std::function<void()> onEnd) : m_onEnd(std::move(onEnd)) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        switch (msg->message) {
        case WM_QUERYENDSESSION:
            if (result)
                *result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (msg->wParam && !m_ended) {
                // Every top-level window gets the message; the teardown runs once.
                m_ended = true;
                if (m_onEnd)
                    m_onEnd();
            }
            if (result)
                *result = 0;
            return true;
        default:
            return false;
        }
    }

private:
    std::function<void()> m_onEnd;
    bool m_ended = false;
};

} // namespace

void watchSessionEnd(std::function<void()> onEnd)
{
    // Lives as long as the process: the messages can come at any time until it ends.
    static SessionEndFilter* filter = nullptr;
    if (filter)
        return;
    filter = new SessionEndFilter(std::move(onEnd));
    QCoreApplication::instance()->installNativeEventFilter(filter);
}

} // namespace vek::platform
