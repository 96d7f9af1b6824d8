#include "platform/local_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace platform {

LocalPathKind ProbeLocalPath(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? LocalPathKind::Missing : LocalPathKind::Other;
    }
    if (S_ISREG(info.st_mode)) {
        return LocalPathKind::RegularFile;
    }
    if (S_ISDIR(info.st_mode)) {
        return LocalPathKind::Directory;
    }
    return LocalPathKind::Other;
}

std::optional<std::string> AbsoluteLocalPath(const std::string& path) {
    char absolute[PATH_MAX];
    if (path.empty() || !realpath(path.c_str(), absolute)) {
        return std::nullopt;
    }
    return std::string(absolute);
}

LocalFolderResult CreateLocalFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) {
        return LocalFolderResult::Created;
    }
    if (errno == EEXIST && ProbeLocalPath(path) == LocalPathKind::Directory) {
        return LocalFolderResult::AlreadyExists;
    }
    return LocalFolderResult::Failed;
}

std::optional<std::uint64_t> FreeLocalBytes(const std::string& path) {
    std::string probe = path.empty() ? std::string(".") : path;
    for (;;) {
        struct statvfs info {};
        if (::statvfs(probe.c_str(), &info) == 0) {
            // Pseudo file systems (/proc, /sys) report no blocks at all: nothing to tell.
            if (info.f_blocks == 0) {
                return std::nullopt;
            }
            const std::uint64_t blocks = info.f_bavail;
            const std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
            return unit != 0 && blocks > UINT64_MAX / unit ? UINT64_MAX : blocks * unit;
        }
        if ((errno != ENOENT && errno != ENOTDIR) || probe == "." || probe == "/") {
            return std::nullopt;
        }
        const std::size_t slash = probe.find_last_of('/');
        if (slash == std::string::npos) {
            probe = ".";
        } else if (slash == 0) {
            probe = "/";
        } else {
            probe.resize(slash);
        }
    }
}

bool ReplaceLocalFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace platform
