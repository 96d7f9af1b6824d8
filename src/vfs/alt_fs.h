#pragma once
// Further file systems of a partition that already has one: the explorer can read a
// partition through another reader (say, FAT found by a scan on a volume that mounts as
// NTFS) without losing the first. At most one reader per type code.

#include "vfs/vfs.h"

#include <cstdint>
#include <memory>
#include <vector>

class cAltFileSystems final : public cPartExtension {
public:
    // Destroys every reader.
    void ExtensionHook() override;
    std::uint32_t GetExtensionKind() const override { return part_ext::kAltFileSystems; }

    // The reader of this type, or null.
    cVFS* Find(std::uint32_t typeCode) const;
    // Stores the reader in place of one of the same type (which is destroyed).
    void Put(std::unique_ptr<cVFS> reader);
    cVFS* Current() const { return current_; }
    void SetCurrent(cVFS* reader) { current_ = reader; }

private:
    std::vector<std::unique_ptr<cVFS>> readers_;
    cVFS* current_ = nullptr;
};

// Operations on a partition record, used by the explorer.
namespace altfs {

// Keeps reader as a further file system of the record, unless the record's own reader has
// the same type (then reader is dropped).
void Add(cPartRecord& record, std::unique_ptr<cVFS> reader);
// Makes the further reader of this type current; yes when there is one, or when the
// record's own reader has the type.
bool Select(cPartRecord& record, std::uint32_t typeCode);
// The selected further reader, else the record's own.
cVFS* Current(const cPartRecord& record);
// The record's own reader when its type matches, else the further reader of the type.
cVFS* Find(const cPartRecord& record, std::uint32_t typeCode);

} // namespace altfs
