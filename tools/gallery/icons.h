#pragma once
// The gallery's sample pictures, drawn with the library's own canvas.

#include "gui/bitmap.h"

namespace gallery_icons {
cBitmap Warning();
cBitmap Error();
cBitmap Question();
cBitmap Play();
cBitmap Picture(int width, int height);
} // namespace gallery_icons
