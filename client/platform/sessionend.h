#pragma once

#include <functional>

namespace vek::platform {

// Watches for the end of the session under the program: on POSIX the signals a log-out or shutdown
// sends (SIGTERM, SIGHUP) and the loss of the display; on Windows WM_QUERYENDSESSION/WM_ENDSESSION.
// `onEnd` runs on the user-interface thread and must complete the program's teardown before it
// returns (on Windows the process may be ended as soon as WM_ENDSESSION has been answered).
// Call once, after the QApplication exists.
void watchSessionEnd(std::function<void()> onEnd);

} // namespace vek::platform
