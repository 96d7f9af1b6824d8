#pragma once
// Rules files (".urrs"): the magic "QORNSI00" and a tree of signature nodes with their
// locators, names and rules, little-endian without gaps. Loading appends to a list the
// caller holds, so that several files make one tree.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class cSigList;

namespace urrs {

inline constexpr std::size_t kMagicSize = 8;
inline constexpr char kMagic[kMagicSize + 1] = "QORNSI00";
// Deepest nesting of nodes a file may hold; deeper ones are refused (code kBadKind) so
// that a hostile file cannot exhaust the stack of the loader or of the search.
inline constexpr int kMaxDepth = 64;

enum cLoadCode : int {
    kLoaded = 0,
    kShort = 1, // a read error or the file ended inside a record
    kBadMagic = 2,
    kTooLong = 3, // a string, pattern or width out of range
    kBadKind = 4, // a rule or locator kind out of range, a bad size-rule parameter
};

struct cLoadResult {
    cLoadCode code = kLoaded;
    // Byte offset of the field where loading stopped (the file's length when it loaded).
    std::size_t stoppedAt = 0;
};

// Loading stops at the first error; every node whose own record was read whole stays in
// the tree (its children up to the error with it).
cLoadResult Load(std::span<const std::uint8_t> file, cSigList& topLevel);

std::vector<std::uint8_t> Save(const cSigList& topLevel);

} // namespace urrs
