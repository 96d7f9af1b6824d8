#pragma once
// Rock Ridge (IEEE P1282) entries in the system use areas of directory records, as the
// System Use Sharing Protocol (IEEE P1281) lays them out: the POSIX name, file type and
// the links that undo the relocation of folders nested deeper than ISO 9660 allows.

#include "base/bytes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace iso {

struct cRockRidge {
    std::optional<std::string> name;         // NM, its pieces joined
    std::optional<std::uint32_t> mode;       // PX file mode
    std::optional<std::uint32_t> childLink;  // CL: where a relocated folder really is
    std::optional<std::uint32_t> parentLink; // PL: a relocated folder's real parent
    bool relocated = false;                  // RE: the relocated folder's stand-in
};

// The bytes of a continuation area (block, offset in it, length); empty when unreadable.
using ContinuationReader = std::function<std::vector<std::uint8_t>(
    std::uint32_t block, std::uint32_t offset, std::uint32_t length)>;

// The SP entry that opens the root's "." system use area when the sharing protocol is in
// use; its answer is how many bytes every other system use area skips first.
std::optional<std::size_t> SharingProtocolSkip(bytes::Span rootSelfSystemUse);

// The Rock Ridge entries of one record, following continuation areas a bounded number of
// times.
cRockRidge ParseRockRidge(bytes::Span systemUse, std::size_t skip,
                          const ContinuationReader& continuation);

// A file type from a PX mode: folders and regular files are what listings show.
inline bool IsFolderMode(std::uint32_t mode) {
    return (mode & 0170000) == 0040000;
}
inline bool IsFileMode(std::uint32_t mode) {
    return (mode & 0170000) == 0100000;
}

} // namespace iso
