#pragma once

#include <QString>

class QWidget;

namespace vek::platform {

// Puts `title` on the window's title bar exactly as given. Qt reads "[*]" as the place of the
// modified mark and replaces an empty title by the application's name; text from the network is
// shown as sent, an empty one as an empty title.
void setExactWindowTitle(QWidget* window, const QString& title);

// What the window system shows as the window's title (its native title once the window exists).
QString nativeWindowTitle(QWidget* window);

} // namespace vek::platform
