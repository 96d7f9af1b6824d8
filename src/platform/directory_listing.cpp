#include "platform/directory_listing.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

std::optional<std::vector<LocalFolderEntry>> ListLocalFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<LocalFolderEntry> entries;
    while (entries.size() < kMaxFolderEntries) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        LocalFolderEntry item;
        item.name = entry->d_name;
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0) {
            item.isFolder = S_ISDIR(info.st_mode);
            item.size = item.isFolder ? 0 : std::uint64_t(info.st_size);
            item.modified = std::int64_t(info.st_mtim.tv_sec);
        }
        entries.push_back(std::move(item));
    }
    return entries;
}

} // namespace platform
