#pragma once
// The program's main window: a storage view (the storage tree with its groups and the
// property pages of storages and partitions) and a browse view (one partition opened:
// partition tree, folder tree, the paged file list and the properties pane). Folder
// listings run on the window's own navigation job; the window thread only shows them.
//
// Run it modally over the process's StorageList():
//   auto form = MakeZelvaneForm();
//   WindowMaker()->RunModal(*form, kZelvaneWidth, kZelvaneHeight, nullptr, true);

#include "gui/custom_form.h"

#include <memory>

inline constexpr int kZelvaneWidth = 700;
inline constexpr int kZelvaneHeight = 440;

std::unique_ptr<cCustomForm> MakeZelvaneForm();
