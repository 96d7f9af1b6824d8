#pragma once
// Walking a folder tree of a mounted volume depth first, as the size evaluation, the
// search and the file-system test do: "." and ".." are passed over, a folder already
// entered (a volume that links folders in a loop) is not entered again, and the depth is
// bounded.

#include "vfs/vfs.h"

#include <functional>
#include <set>
#include <string>

class cTreeWalk {
public:
    static constexpr unsigned kMaxDepth = 256;

    // Called for each object below the start folder, before a folder's contents; path is
    // the object's path from the start folder ("a/b"). False stops the walk.
    using cVisit = std::function<bool(const cFSObject& entry, const std::u16string& path)>;
    // Called for each folder whose listing ended early (it was not stopped).
    using cBroken = std::function<void(const cFSObject& folder, const std::u16string& path)>;

    cTreeWalk(cVFS& fs, cVisit visit, cBroken broken = nullptr)
        : fs_(fs), visit_(std::move(visit)), broken_(std::move(broken)) {}

    // False when a visit stopped the walk.
    bool Walk(const cFSObject& folder) { return Enter(folder, u"", 0); }

private:
    bool Enter(const cFSObject& folder, const std::u16string& path, unsigned depth);

    cVFS& fs_;
    cVisit visit_;
    cBroken broken_;
    std::set<std::uint64_t> entered_;
};
