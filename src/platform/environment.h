#pragma once
// The user's home folder and the folders the program keeps there.

#include <optional>
#include <string>

namespace platform {

// HOME when it is set and not empty; otherwise the home folder the password database
// gives the real user (so that a program started with a scrubbed environment, as some
// privilege wrappers do, still finds its settings). Paths are UTF-8.
std::optional<std::string> HomeFolder();

bool IsDirectory(const std::string& path);

// The folder of the running executable, ending in '/', as the kernel names it
// (/proc/self/exe): right even when the program was started through PATH or a wrapper
// such as pkexec. None when the kernel does not tell.
std::optional<std::string> ExecutableFolder();

// True when nothing exists at path, or a regular file that is not a symbolic link: the
// only things the program may create or rewrite as one of its own files. (A settings
// file planted as a link to a disk would otherwise have the disk written to.)
bool IsMissingOrPlainFile(const std::string& path);

enum class FolderCreation { Created, AlreadyExists, Failed };
// Creates one folder, private to the user (mode 0700).
FolderCreation CreateFolder(const std::string& path);

} // namespace platform
