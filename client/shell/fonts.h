#pragma once

class QFont;
class QWidget;

namespace vek {

// Maps the font names the windows are designed with ("宋体", "华文宋体", "隶书") to installed CJK
// families, so that Chinese text renders with simplified-Chinese glyphs, and sets the default font.
void installFontSubstitutions();

// "宋体" at a pixel size, the font the windows are drawn with.
QFont songti(int pixels, bool bold = false);

// Puts a top-level window in the middle of the primary screen's work area.
void centreOnScreen(QWidget* window);

} // namespace vek
