#include "platform/storage_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// pread and pwrite move at most this much per call on Linux; larger requests simply come
// back short, so each call is capped and the loops below go on.
constexpr std::size_t kMaxTransfer = 0x7ffff000;

// Offsets beyond off_t's range would wrap to negative positions.
bool OffsetFits(std::uint64_t offset, std::size_t size) {
    constexpr std::uint64_t kMaxOffset = std::uint64_t(INT64_MAX);
    return offset <= kMaxOffset && size <= kMaxOffset - offset;
}

} // namespace

StorageFile::StorageFile(StorageFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

StorageFile& StorageFile::operator=(StorageFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

namespace {

int AcceptFlags(StorageFile::Accept accept) {
    return accept == StorageFile::Accept::PlainFileOnly ? O_NOFOLLOW | O_NONBLOCK : 0;
}

// A folder opens read-only like a file, but no storage is one.
bool Acceptable(int fd, StorageFile::Accept accept) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    return accept == StorageFile::Accept::AnyStorage || S_ISREG(info.st_mode);
}

} // namespace

bool StorageFile::Open(const std::string& path, bool writable, Accept accept) {
    Close();
    do {
        fd_ =
            ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | AcceptFlags(accept));
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0 && !Acceptable(fd_, accept)) {
        Close();
    }
    return fd_ >= 0;
}

bool StorageFile::Create(const std::string& path, Accept accept) {
    Close();
    // O_TRUNC is applied only after the check, so a device node is never emptied.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | AcceptFlags(accept), 0644);
    if (fd_ >= 0 && (!Acceptable(fd_, accept) || !Truncate(0))) {
        Close();
    }
    return fd_ >= 0;
}

void StorageFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::size_t StorageFile::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    if (fd_ < 0 || !OffsetFits(offset, size)) {
        return 0;
    }
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min(size - done, kMaxTransfer);
        const ssize_t got = ::pread(fd_, out + done, chunk, off_t(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += std::size_t(got);
    }
    return done;
}

std::size_t StorageFile::ReadUncachedAt(void* buffer, std::size_t size,
                                        std::uint64_t offset) const {
    // Direct transfers need memory aligned like the device's sectors; a page suits every
    // device. The bounce buffer keeps that demand away from callers.
    constexpr std::size_t kAlign = 4096;
    if (fd_ < 0 || !OffsetFits(offset, size) || size > kMaxTransfer) {
        return 0;
    }
    const std::unique_ptr<void, decltype(&std::free)> bounce(
        std::aligned_alloc(kAlign, (size + kAlign - 1) / kAlign * kAlign), &std::free);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (!bounce || flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_DIRECT) != 0) {
        return ReadAt(buffer, size, offset);
    }
    ssize_t got = 0;
    do {
        got = ::pread(fd_, bounce.get(), size, off_t(offset));
    } while (got < 0 && errno == EINTR);
    const int error = errno;
    ::fcntl(fd_, F_SETFL, flags);
    if (got < 0 && error == EINVAL) {
        return ReadAt(buffer, size, offset);
    }
    if (got <= 0) {
        return 0;
    }
    std::memcpy(buffer, bounce.get(), std::size_t(got));
    return std::size_t(got);
}

std::size_t StorageFile::WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) const {
    if (fd_ < 0 || !OffsetFits(offset, size)) {
        return 0;
    }
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min(size - done, kMaxTransfer);
        const ssize_t put = ::pwrite(fd_, in + done, chunk, off_t(offset + done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        done += std::size_t(put);
    }
    return done;
}

bool StorageFile::IsBlockDevice() const {
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISBLK(info.st_mode);
}

std::optional<std::uint64_t> StorageFile::Size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
        return std::nullopt;
    }
    if (S_ISBLK(info.st_mode)) {
        std::uint64_t bytes = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &bytes) != 0) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::uint64_t(info.st_size);
}

bool StorageFile::Truncate(std::uint64_t size) const {
    return fd_ >= 0 && size <= std::uint64_t(INT64_MAX) && ::ftruncate(fd_, off_t(size)) == 0;
}

bool StorageFile::Sync() const {
    return fd_ >= 0 && ::fdatasync(fd_) == 0;
}

} // namespace platform
