#pragma once
// A small file system listed from a table, for the copy tests: it stands in for volumes no
// tool makes (crafted names, folders that list their parents, deleted entries, files that
// read back short).

#include "base/utf.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// A file's bytes: its pattern repeated to its size, made as they are read, so that a
// file may claim more bytes than memory holds.
class cPatternHandle final : public cObjectHandle {
public:
    // Reads stop short at readable bytes, as over a damaged run.
    cPatternHandle(std::string pattern, std::uint64_t size, std::uint64_t readable)
        : pattern_(std::move(pattern)), size_(size), readable_(std::min(readable, size)) {}
    bool IsOpen() const override { return true; }
    std::uint64_t Seek(std::uint64_t position) override {
        return position_ = std::min(position, size_);
    }
    std::uint32_t Read(void* buffer, std::uint32_t length) override {
        const std::uint64_t end = std::max(readable_, position_);
        const auto count = std::uint32_t(std::min<std::uint64_t>(length, end - position_));
        auto* out = static_cast<char*>(buffer);
        for (std::uint32_t i = 0; i < count; ++i) {
            out[i] = pattern_[(position_ + i) % pattern_.size()];
        }
        position_ += count;
        return count;
    }
    std::uint64_t GetSize() const override { return size_; }

private:
    std::string pattern_;
    std::uint64_t size_;
    std::uint64_t readable_;
    std::uint64_t position_ = 0;
};

// Folders are listed from a table. A file holds its own name in UTF-8, repeated to its
// size when one is given (an empty name reads as NUL bytes).
class cListedFS final : public cVFS {
public:
    struct Entry {
        bool folder;
        std::u16string name;
        std::uint64_t id;
        std::uint64_t size = 0; // 0: the name's length
        bool deleted = false;
        std::uint64_t readable = ~std::uint64_t(0);
        bool damaged = false; // as the reader marks an object it found inconsistent
    };
    std::map<std::uint64_t, std::vector<Entry>> folders;

    // The bytes of a file entry, for comparing with its copy.
    static std::string Content(const Entry& entry) {
        const std::string name = utf::ToUtf8(entry.name);
        if (entry.size == 0) {
            return name;
        }
        const std::string pattern = name.empty() ? std::string(1, '\0') : name;
        std::string bytes;
        while (bytes.size() < entry.size) {
            bytes += pattern;
        }
        bytes.resize(entry.size);
        return bytes;
    }

    std::unique_ptr<cFSObject> Make(const Entry& entry, std::uint64_t parent) {
        std::unique_ptr<cFSObject> object;
        if (entry.deleted) {
            auto deleted = std::make_unique<cFSDeletedObj>();
            deleted->deletedKind = entry.folder ? fskind::kFolder : fskind::kFile;
            object = std::move(deleted);
        } else if (entry.folder) {
            object = std::make_unique<cFSFolder>();
        } else {
            object = std::make_unique<cFSFile>();
        }
        if (!entry.folder) {
            object->size = entry.size != 0 ? entry.size : utf::ToUtf8(entry.name).size();
        }
        object->id = entry.id;
        object->parentId = parent;
        object->name = entry.name;
        object->fileSystem = this;
        object->damaged = entry.damaged;
        entries_[entry.id] = entry;
        return object;
    }

    std::uint32_t GetFSType() const override { return 17; }
    std::unique_ptr<cFSObject> GetObject(std::uint64_t) override { return nullptr; }
    bool Mount(cPartRecord&) override { return false; }
    std::unique_ptr<cObjectHandle> OpenObject(const cFSObject& object) override {
        const auto found = entries_.find(object.id);
        const std::uint64_t readable =
            found == entries_.end() ? ~std::uint64_t(0) : found->second.readable;
        const std::string name = utf::ToUtf8(object.name);
        return std::make_unique<cPatternHandle>(name.empty() ? std::string(1, '\0') : name,
                                                object.size, readable);
    }
    std::uint64_t GetRootId() const override { return 1; }
    bool EnumFolder(const cFSObject& folder, const cEnumCallback& callback,
                    std::uint32_t) override {
        const auto found = folders.find(folder.id);
        if (found == folders.end()) {
            return false;
        }
        for (const Entry& entry : found->second) {
            if (!callback(*Make(entry, folder.id))) {
                return false;
            }
        }
        return true;
    }
    std::uint32_t GetBlockSize() const override { return 512; }

private:
    // The table's entry behind each id handed out, for opening it later.
    std::map<std::uint64_t, Entry> entries_;
};

} // namespace apptest
