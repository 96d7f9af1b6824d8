#include "vfs/alt_fs.h"

#include <algorithm>

void cAltFileSystems::ExtensionHook() {
    current_ = nullptr;
    readers_.clear();
}

cVFS* cAltFileSystems::Find(std::uint32_t typeCode) const {
    for (const auto& reader : readers_) {
        if (reader->GetFSType() == typeCode) {
            return reader.get();
        }
    }
    return nullptr;
}

void cAltFileSystems::Put(std::unique_ptr<cVFS> reader) {
    const std::uint32_t type = reader->GetFSType();
    const auto same = std::find_if(readers_.begin(), readers_.end(),
                                   [type](const auto& held) { return held->GetFSType() == type; });
    if (same == readers_.end()) {
        readers_.push_back(std::move(reader));
        return;
    }
    if (current_ == same->get()) {
        current_ = nullptr;
    }
    *same = std::move(reader);
}

namespace altfs {
namespace {

cVFS* OwnReader(const cPartRecord& record) {
    return record.FindExtensionAs<cVFS>(part_ext::kFileSystem);
}

cAltFileSystems* Alternatives(const cPartRecord& record) {
    return record.FindExtensionAs<cAltFileSystems>(part_ext::kAltFileSystems);
}

} // namespace

void Add(cPartRecord& record, std::unique_ptr<cVFS> reader) {
    if (!reader) {
        return;
    }
    const cVFS* own = OwnReader(record);
    if (own && own->GetFSType() == reader->GetFSType()) {
        return;
    }
    cAltFileSystems* alternatives = Alternatives(record);
    if (!alternatives) {
        auto created = std::make_unique<cAltFileSystems>();
        alternatives = created.get();
        record.AttachExtension(std::move(created));
    }
    alternatives->Put(std::move(reader));
}

bool Select(cPartRecord& record, std::uint32_t typeCode) {
    cAltFileSystems* alternatives = Alternatives(record);
    if (cVFS* reader = alternatives ? alternatives->Find(typeCode) : nullptr) {
        alternatives->SetCurrent(reader);
        return true;
    }
    const cVFS* own = OwnReader(record);
    if (!own || own->GetFSType() != typeCode) {
        return false;
    }
    // Choosing the partition's own type again must make its own reader current.
    if (alternatives) {
        alternatives->SetCurrent(nullptr);
    }
    return true;
}

cVFS* Current(const cPartRecord& record) {
    const cAltFileSystems* alternatives = Alternatives(record);
    if (alternatives && alternatives->Current()) {
        return alternatives->Current();
    }
    return OwnReader(record);
}

cVFS* Find(const cPartRecord& record, std::uint32_t typeCode) {
    if (cVFS* own = OwnReader(record); own && own->GetFSType() == typeCode) {
        return own;
    }
    const cAltFileSystems* alternatives = Alternatives(record);
    return alternatives ? alternatives->Find(typeCode) : nullptr;
}

} // namespace altfs
