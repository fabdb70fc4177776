#pragma once

namespace vek {

// Maps the font names the windows are designed with ("宋体", "华文宋体", "隶书") to installed CJK
// families, so that Chinese text renders with simplified-Chinese glyphs, and sets the default font.
void installFontSubstitutions();

} // namespace vek
