#pragma once
// Writes a rendered frame as an 8-bit RGBA PNG (tests and the gallery save what they draw).

#include "gui/bitmap.h"

#include <string>

namespace gui_png {
bool Save(const cBitmap& frame, const std::string& path);
} // namespace gui_png
