#include "platform/environment.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::optional<std::string> HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return std::string(home);
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir || !*found->pw_dir) {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsMissingOrPlainFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(info.st_mode);
}

FolderCreation CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) {
        return FolderCreation::Created;
    }
    return errno == EEXIST ? FolderCreation::AlreadyExists : FolderCreation::Failed;
}

std::optional<std::string> ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.has_parent_path()) {
        return std::nullopt;
    }
    std::string folder = self.parent_path().string();
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

} // namespace platform
