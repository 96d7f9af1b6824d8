#pragma once
// The local file system as the copy flow writes to it: what already stands at a path, and
// folders for copied data. Copied files themselves are written through StorageFile.
// Paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Longest name of one folder entry, in bytes of UTF-8 (NAME_MAX of the usual file systems).
inline constexpr std::size_t kMaxLocalNameBytes = 255;

enum class LocalPathKind { Missing, RegularFile, Directory, Other };

// What stands at the path itself: a symbolic link is Other, not what it points to, so that
// a copy never writes through a link it finds in the target folder.
LocalPathKind ProbeLocalPath(const std::string& path);

// The path from the root with links resolved, for handing to another program (which
// does not share our working folder); none when nothing is there.
std::optional<std::string> AbsoluteLocalPath(const std::string& path);

enum class LocalFolderResult { Created, AlreadyExists, Failed };

// Creates one folder with the permissions the user's umask leaves (copied data is the
// user's own, unlike the program's private settings folder). An existing directory counts
// as AlreadyExists; anything else at the path, or an error, is Failed.
LocalFolderResult CreateLocalFolder(const std::string& path);

// Bytes an unprivileged user may still write on the file system that holds path (or, for a
// path not made yet, its nearest existing folder); none when that cannot be told, as on
// file systems that count no blocks.
std::optional<std::uint64_t> FreeLocalBytes(const std::string& path);

// Puts the file at from in the place of the one at to in one step (rename), so that a
// reader of to sees the old or the new file whole, never a half-written one.
bool ReplaceLocalFile(const std::string& from, const std::string& to);

} // namespace platform
