#include "platform/local_files.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

LocalPathKind ProbeLocalPath(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? LocalPathKind::Missing : LocalPathKind::Other;
    }
    if (S_ISREG(info.st_mode))
        return LocalPathKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return LocalPathKind::Directory;
    return LocalPathKind::Other;
}

LocalFolderResult CreateLocalFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return LocalFolderResult::Created;
    if (errno == EEXIST && ProbeLocalPath(path) == LocalPathKind::Directory) {
        return LocalFolderResult::AlreadyExists;
    }
    return LocalFolderResult::Failed;
}

} // namespace platform
