#pragma once
// An open file or device node that a storage reader reads from: positioned reads and
// writes at 64-bit offsets, so that several readers of one file never share a file
// pointer. Opened with O_CLOEXEC; read-only unless write access is asked for.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class StorageFile {
public:
    StorageFile() = default;
    StorageFile(StorageFile&& other) noexcept;
    StorageFile& operator=(StorageFile&& other) noexcept;
    StorageFile(const StorageFile&) = delete;
    StorageFile& operator=(const StorageFile&) = delete;
    ~StorageFile() { Close(); }

    // What a path may name. The program's own files (settings) take PlainFileOnly, so
    // that a planted symbolic link or device node is never written through, even if it
    // appears between a check and the open.
    enum class Accept { AnyStorage, PlainFileOnly };

    // Opens an existing file or device node (path in UTF-8); no when it cannot be opened.
    bool Open(const std::string& path, bool writable, Accept accept = Accept::AnyStorage);
    // Creates the file for reading and writing, replacing an existing one.
    bool Create(const std::string& path, Accept accept = Accept::AnyStorage);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Reads up to size bytes at offset, retrying after interruptions and partial
    // transfers; answers the bytes read, which is short at the end of the file or at the
    // first error (0 when nothing could be read).
    std::size_t ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    std::size_t WriteAt(const void* buffer, std::size_t size, std::uint64_t offset) const;
    // ReadAt past the page cache (O_DIRECT), in one request: an unreadable sector then
    // fails alone instead of with the 4 KiB page the cache reads around it. offset and
    // size must be multiples of the device's logical sector size. Where direct reads are
    // refused (a file system without them, an alignment it does not take), this reads
    // through the cache like ReadAt.
    std::size_t ReadUncachedAt(void* buffer, std::size_t size, std::uint64_t offset) const;

    // Size in bytes: the length of a regular file, the capacity of a block device.
    std::optional<std::uint64_t> Size() const;
    bool IsBlockDevice() const;
    bool Truncate(std::uint64_t size) const;
    // Waits until what was written is on the medium (fdatasync), so that a record made
    // after it never claims data a crash could still lose.
    bool Sync() const;

private:
    int fd_ = -1;
};

} // namespace platform
