#pragma once
// The pictures of the main window's tool-bar buttons, 20 x 20, drawn from shapes.

#include "gui/bitmap.h"

namespace explorer {

enum class eToolIcon {
    OpenImage,
    Rescan,
    Manual,
    Settings,
    About,
    Partitions,
    SaveSelected,
    LoadResult,
    SaveResults,
    Scan,
};

inline constexpr int kToolIconSize = 20;

cBitmap ToolIcon(eToolIcon icon);

} // namespace explorer
