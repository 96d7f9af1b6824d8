#pragma once
// The gallery's page of the large views: a deep tree of 100,000 nodes, a list of 200,000
// rows, a property sheet, splitters between them, a navigation bar whose listings take a
// moment (so that the progress strip shows), and the file and folder choosers on demand.

#include "gui/custom_form.h"

#include <string>

class cCustomForm;

namespace gallery_views {

inline constexpr int kWidth = 1100;
inline constexpr int kHeight = 720;

// Runs the page modally over `parent`; needs the process's window maker.
void Run(cCustomForm* parent);
// Renders the page without a window into a PNG.
bool SaveScreenshot(const std::string& path);

} // namespace gallery_views
