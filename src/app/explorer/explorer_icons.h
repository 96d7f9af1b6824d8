#pragma once
// The small pictures of the explorer's lists and trees, 16 x 16, drawn pixel by pixel
// so that they look the same in a window and headless.

#include "gui/bitmap.h"

#include <vector>

namespace explorer {

// Indices into ListIcons().
inline constexpr int kIconFolder = 0;
inline constexpr int kIconFile = 1;
inline constexpr int kIconDeletedFolder = 2;
inline constexpr int kIconDeletedFile = 3;
std::vector<cBitmap> ListIcons();

// Indices into TreeIcons().
inline constexpr int kIconComputer = 0;
inline constexpr int kIconGroup = 1;
inline constexpr int kIconDrive = 2;
inline constexpr int kIconImage = 3;
inline constexpr int kIconPartition = 4;
inline constexpr int kIconTreeFolder = 5;
std::vector<cBitmap> TreeIcons();

// The rows of the lost-partition search, by the root check of their volume: the root
// folder lists (0), nothing to check (1), the root folder cannot be read (2).
std::vector<cBitmap> FoundPartitionIcons();

} // namespace explorer

#include "gui/views/tree_item_element.h"

namespace explorer {

// A tree node with its picture.
inline std::unique_ptr<cTreeItemElement> IconNode(std::u16string text, std::uintptr_t data,
                                                  int icon) {
    auto node = std::make_unique<cTreeItemElement>(std::move(text), data);
    node->SetIcon(icon);
    return node;
}

} // namespace explorer
