#pragma once
// Entries of folder listings. A reader hands one entry at a time to the listing callback
// and destroys it afterwards; whoever keeps an entry keeps a Clone(). Entries returned by
// GetObject and FindByPath belong to the caller.

#include "vfs/fs_time.h"

#include <cstdint>
#include <memory>
#include <string>

class cVFS;

// What Kind() answers.
namespace fskind {
inline constexpr std::uint32_t kObject = 0;
inline constexpr std::uint32_t kFolder = 1;
inline constexpr std::uint32_t kFile = 2;
inline constexpr std::uint32_t kVolName = 4;
inline constexpr std::uint32_t kDeleted = 5;
} // namespace fskind

class cFSObject {
public:
    cFSObject() = default;
    cFSObject(const cFSObject&) = default;
    cFSObject& operator=(const cFSObject&) = default;
    virtual ~cFSObject() = default;

    virtual std::uint32_t Kind() const { return fskind::kObject; }
    // A new entry of the same class with every field copied.
    virtual std::unique_ptr<cFSObject> Clone() const { return std::make_unique<cFSObject>(*this); }

    std::uint64_t id = 0;       // object id; its meaning belongs to the reader
    std::uint64_t parentId = 0; // id of the folder that lists the entry
    std::uint64_t size = 0;     // data size in bytes; 0 for folders unless known
    std::u16string name;
    cFSTime mtime;              // modification time
    cVFS* fileSystem = nullptr; // the reader that produced the entry
    // The reader found the object inconsistent: a size beyond what backs it, data outside
    // the volume, a chain shorter than the size, a deleted file cut short. Its readable
    // part is still offered, and reading it may end short of the size.
    bool damaged = false;

    bool IsDamaged() const { return damaged; }
};

// Adds the class's kind and a Clone() that keeps the class.
template <class Self, std::uint32_t kKind, class Base = cFSObject> class cFSObjectOf : public Base {
public:
    std::uint32_t Kind() const override { return kKind; }
    std::unique_ptr<cFSObject> Clone() const override {
        return std::make_unique<Self>(static_cast<const Self&>(*this));
    }
};

class cFSFolder final : public cFSObjectOf<cFSFolder, fskind::kFolder> {};
class cFSFile final : public cFSObjectOf<cFSFile, fskind::kFile> {};
class cFSVolName final : public cFSObjectOf<cFSVolName, fskind::kVolName> {};

// An entry marked deleted but still present in its folder (FAT), with the kind the object
// had: fskind::kFolder or fskind::kFile.
class cFSDeletedObj final : public cFSObjectOf<cFSDeletedObj, fskind::kDeleted> {
public:
    std::uint16_t deletedKind = fskind::kFile;
};
