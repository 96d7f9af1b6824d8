#pragma once
// The room a copy needs: the bytes of every file it will write, counted before it starts,
// so that a copy that cannot fit is asked about (or refused) instead of filling the disk.

#include "vfs/fs_object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace copyspace {

// The sizes of the files the copy of objects writes, folders walked as the copy walks them;
// saturates instead of wrapping. stop is asked before each folder is listed and ends the
// count early when it answers yes.
std::uint64_t BytesToWrite(const std::vector<std::unique_ptr<cFSObject>>& objects,
                           const std::function<bool()>& stop);

} // namespace copyspace
