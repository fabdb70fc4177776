#pragma once

#include <QString>

namespace vek::platform {

// The Run key "Vekora": start the program at every logon. On Linux an XDG autostart entry
// $XDG_CONFIG_HOME/autostart/vekora.desktop whose Exec is the program's full path.
QString autostartEntryPath();
bool setAutostart(const QString& programPath);

} // namespace vek::platform
