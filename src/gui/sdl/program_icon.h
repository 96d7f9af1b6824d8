#pragma once
// The program's window icon (the design's icon resource 101), drawn with the library's
// own canvas rather than loaded, so that no image file has to ship beside the program.

#include "gui/bitmap.h"

namespace program_icon {
inline constexpr int kIconId = 101;
// The icon for `icon_id`; empty for ids the program does not have.
cBitmap Draw(int iconId, int size = 32);
} // namespace program_icon
