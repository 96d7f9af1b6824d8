#pragma once
// Scan result files (".drdb"): a result tree saved so that it can be loaded again onto
// the partition it came from. All integers little-endian, no gaps:
//   "QORNSRB0", root type 2 (u8), stamp 398149 (u32), root name (u8 length, UTF-8),
//   then the root's contents.
// Contents: every subfolder record, then every file record that has a name, then a 0
// byte. A record: type (u8: 2 folder, 1 file), name (u8 length, UTF-8); a folder's own
// contents follow; a file has its kind (u8) and size (u64), then kind 1: record position
// (u64), time (u32), file-system type (u8); kind 2: start sector (u64); kind 3: a u32
// length and that many bytes of packed extent list.
//
// Files come from anywhere, so reading trusts nothing: nesting is bounded, lengths are
// checked against the bytes the file still holds before anything is allocated, and the
// reader works without recursion. A file that is refused leaves what was read in the tree.

#include "scan/vstorage.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace drdb {

inline constexpr std::string_view kMagic = "QORNSRB0";
inline constexpr std::uint32_t kStamp = 398149;
// Deepest folder below the root that a file may hold: the builder nests at most 128
// levels of parents, and reading stays far from exhausting anything.
inline constexpr unsigned kMaxDepth = 256;

enum class LoadError {
    None,
    Open,       // the file cannot be opened or read
    NotEmpty,   // the tree to load into already holds items
    Truncated,  // the file ends inside a record
    Magic,      // not a result file
    Stamp,      // a result file of another version
    RootType,   // the root is not a folder
    RecordType, // a record that is neither folder nor file
    FileKind,   // a file kind outside 1..3
    TooDeep,    // folders nested deeper than kMaxDepth
    Full,       // the tree cannot hold more items
};
// A sentence saying what was wrong, for messages.
std::string_view Describe(LoadError error);

// Receives the file piece by piece; no stops the save.
using Sink = std::function<bool(std::span<const std::uint8_t>)>;

// Writes the tree (an empty one as a root "Virtual" without contents). No at the first
// piece the sink refuses, and for a tree nested deeper than kMaxDepth, which could not be
// read back.
bool Save(const cQORNVStorage& storage, const Sink& sink);
enum class SaveError {
    None,
    Create, // the file cannot be made
    Write,  // the file was made, but not all of it could be written
};
SaveError SaveToFile(const std::string& path, const cQORNVStorage& storage);
inline bool SaveFile(const std::string& path, const cQORNVStorage& storage) {
    return SaveToFile(path, storage) == SaveError::None;
}

// Reads a result file into an empty tree.
LoadError Load(std::span<const std::uint8_t> file, cQORNVStorage& storage);
LoadError LoadFile(const std::string& path, cQORNVStorage& storage);

} // namespace drdb
