#pragma once
// Pictures made of shapes (icons): the library's own canvas drawing onto a new, fully
// transparent bitmap, so that a picture looks the same in every window and headless.
// Such a canvas has no fonts; text drawn on it is left out.

#include "gui/bitmap.h"
#include "gui/canvas.h"

#include <functional>

cBitmap DrawShapePicture(int width, int height, const std::function<void(cCanvas&)>& draw);
