#pragma once
// Names of the files and folders a copy writes: object names made safe for the target
// file system, and the numbered names that keep both files on a conflict.

#include "vfs/fs_object.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace copynames {

// Longest safe name, in UTF-16 units; longer names are cut.
inline constexpr std::size_t kMaxSafeName = 511;

// The name with the characters other file systems reject replaced ('?' '~', '"' and
// curly quotes '\'', '*' '@', '/' '=', '\' '-', ':' and '|' '_'; NUL '_' as well), cut to
// kMaxSafeName units, and then, when its UTF-8 form is longer than a local name may be, cut
// further before its extension. A name that would not name a new entry inside the target folder (an
// empty one, "." or "..") becomes "object" and the 8-digit object number.
std::u16string MakeSafeName(std::u16string_view name, std::uint64_t objectId);

// folder + '/' + name; none when name would not name a new entry inside folder: empty,
// "." or "..", or holding a separator or NUL.
std::optional<std::u16string> JoinLocalPath(std::u16string_view folder, std::u16string_view name);

// Where the object goes inside folder: its safe name joined to folder. None only when the
// joiner refuses the name, which a safe name never gives it cause to.
std::optional<std::u16string> PathInFolder(std::u16string_view folder, const cFSObject& object);

// The first of "stem(1)ext", "stem(2)ext", ... for which exists answers no, the extension
// being the path's part from its last '.' after its last '/' or '\'. None when every
// number up to lastNumber is taken.
std::optional<std::u16string>
FirstFreeNumberedPath(std::u16string_view path,
                      const std::function<bool(const std::u16string&)>& exists,
                      std::int64_t lastNumber = std::numeric_limits<std::int32_t>::max());

} // namespace copynames
