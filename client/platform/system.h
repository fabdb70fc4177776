#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace vek::platform {

// WinExec: starts a program and does not wait. False when it could not be started.
bool startProgram(const QString& path);

// The height of the taskbar at the bottom of the primary screen as the shell reports it (Windows:
// the rectangle of "Shell_TrayWnd"), or nothing where the shell does not say; callers then take what
// the screen's work area leaves free.
std::optional<int> shellTaskbarHeight();

// CoCreateGuid as text: braced, upper case, 38 characters. Empty when no GUID could be made.
QString newGuid();
// Tests replace the GUID source (an empty result means failure); an empty function restores it.
void setGuidSource(std::function<QString()> source);

// The workstation's address: the first IPv4 address the local host name resolves to, dotted.
QString localIPv4Address();

// A multi-line box's text with the workstations' line ends: every line break (LF, CR, CR LF, and the
// Unicode line and paragraph separators) becomes CR LF, as the service centre's readers expect.
QString workstationLines(const QString& text);

} // namespace vek::platform
