#include "io/storage_list.h"

#include "io/container_formats.h"
#include "io/flat_io.h"
#include "io/win_cd_io.h"
#include "io/win_hd_io.h"

#include <algorithm>

namespace {

// CD/DVD drives are tried by number as far as this; floppies are A and B only.
constexpr std::uint32_t kCdDriveNumbers = 24;

// A storage is listed only when its first bytes can be read: a drive that opens but
// cannot deliver its first sector (no medium, dead electronics) is of no use.
bool FirstBytesReadable(cBaseIO& reader) {
    std::uint8_t first[4];
    return reader.GetSectorCount() > 0 && reader.ReadBytes(first, 0, sizeof first);
}

// Floppy and CD/DVD drives are listed when the first four sectors read.
bool FirstSectorsReadable(cBaseIO& reader) {
    std::uint8_t first[4 * kSectorSize];
    return reader.SeekSector(0) == 0 && reader.ReadSectors(first, 4) == 4;
}

} // namespace

cQORNDriveInstance::cQORNDriveInstance(std::unique_ptr<cBaseIO> reader)
    : reader_(std::move(reader)) {}

cQORNDriveInstance::~cQORNDriveInstance() {
    // The tree points into the reader, so it goes first.
    tree_.reset();
    reader_.reset();
}

cStorageList::cStorageList(cStorageTreeBuilder buildTree, cDeviceProvider& devices)
    : buildTree_(std::move(buildTree)), devices_(devices) {}

cStorageList::~cStorageList() {
    Clear();
}

cBaseIO* cStorageList::Append(std::unique_ptr<cQORNDriveInstance> entry) {
    cQORNDriveInstance& added = *entries_.emplace_back(std::move(entry));
    if (buildTree_) {
        added.SetTree(buildTree_(added.Reader()));
    }
    return &added.Reader();
}

void cStorageList::EnumeratePhysicalDrives() {
    Clear();
    const std::uint32_t count = devices_.DriveCount();
    for (std::uint32_t number = 0; number < count; ++number) {
        AddPhysicalDrive(number);
    }
}

cBaseIO* cStorageList::AddPhysicalDrive(std::uint32_t number) {
    auto drive = std::make_unique<cWinHDIO>(devices_);
    const cNumberedDeviceResource resource(number);
    if (!drive->Open(&resource, true) || !FirstBytesReadable(*drive)) {
        return nullptr;
    }
    return Append(std::make_unique<cQORNDriveInstance>(std::move(drive)));
}

void cStorageList::EnumerateFloppyDrives() {
    for (const char16_t letter : {u'A', u'B'}) {
        auto drive = std::make_unique<cWinFloppyIO>(devices_);
        const cNumberedDeviceResource resource(letter);
        if (drive->Open(&resource, true) && FirstSectorsReadable(*drive)) {
            drive->SeekSector(0);
            Append(std::make_unique<cQORNDriveInstance>(std::move(drive)));
        }
    }
}

void cStorageList::EnumerateCdDrives() {
    for (std::uint32_t number = 0; number < kCdDriveNumbers; ++number) {
        auto drive = std::make_unique<cWinCDIO>(devices_);
        const cNumberedDeviceResource resource(number);
        if (drive->Open(&resource, true) && FirstSectorsReadable(*drive)) {
            drive->SeekSector(0);
            Append(std::make_unique<cQORNDriveInstance>(std::move(drive)));
        }
    }
}

cBaseIO* cStorageList::AddImageFile(const std::u16string& path,
                                    std::vector<cSectorRun> unreadable) {
    const cNamedFileResource resource(path);
    auto image = std::make_unique<cFlatIO>();
    if (!image->Open(&resource, true)) {
        return nullptr;
    }
    std::unique_ptr<cBaseIO> reader = OpenContainer(*image);
    if (!reader) {
        reader = std::move(image);
    }
    if (!unreadable.empty()) {
        reader = std::make_unique<cUnreadableIO>(std::move(reader), std::move(unreadable));
    }
    return Append(std::make_unique<cQORNDriveImageInstance>(std::move(reader)));
}

cStorageTree* cStorageList::FindTree(const cBaseIO* reader) const {
    for (const auto& entry : entries_) {
        if (entry->Holds(reader)) {
            return entry->Tree();
        }
    }
    return nullptr;
}

bool cStorageList::Remove(const cBaseIO* reader) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [reader](const auto& entry) { return entry->Holds(reader); });
    if (found == entries_.end()) {
        return false;
    }
    entries_.erase(found);
    return true;
}

void cStorageList::Clear() {
    // Destroyed newest first, so that nothing outlives a storage it was made over.
    while (!entries_.empty()) {
        entries_.pop_back();
    }
    changed_ = false;
}
