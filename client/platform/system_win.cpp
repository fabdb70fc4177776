#include "system.h"

#include <QDir>

#include <windows.h>

namespace vek::platform {

bool startProgram(const QString& path)
{
    // WinExec takes a command line: the path is quoted so that a folder with blanks stays one word.
    const QByteArray commandLine = '"' + QDir::toNativeSeparators(path).toLocal8Bit() + '"';
    return ::WinExec(commandLine.constData(), SW_RESTORE) > 31;
}

std::optional<int> shellTaskbarHeight()
{
    HWND tray = ::FindWindowA("Shell_TrayWnd", nullptr);
    RECT r{};
    if (!tray || !::GetWindowRect(tray, &r) || r.bottom <= r.top)
        return std::nullopt;
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    // Only a taskbar along the bottom edge lifts the pop-up; one at the side or top leaves it on the edge.
    if (r.bottom < screenHeight || r.top <= 0)
        return 0;
    return int(r.bottom - r.top);
}

} // namespace vek::platform
