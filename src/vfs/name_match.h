#pragma once
// Comparing entry names the way each file system does: code unit by code unit on
// case-sensitive systems, after simple case folding on the others (FAT, NTFS, ISO9660...).

#include "base/name_fold.h"

#include <string_view>

namespace vfsname {

using namefold::FoldCase;

bool NamesEqual(std::u16string_view a, std::u16string_view b, bool caseSensitive);

} // namespace vfsname
