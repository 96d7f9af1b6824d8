#include "scan/fat/fat_reconstructor.h"

#include "scan/fat/fat1x_checker.h"
#include "scan/fat/fat32_checker.h"
#include "scan/fat/fat_detect.h"

cFATReconstructor::cFATReconstructor(const cBaseIO& storage, std::uint64_t partitionStart,
                                     std::uint64_t partitionSectors)
    : storage_(storage), partitionStart_(partitionStart), partitionSectors_(partitionSectors),
      table_(std::make_unique<cFATAllocation>()) {}

cFATReconstructor::~cFATReconstructor() = default;

bool cFATReconstructor::Detect(cProgressNotifyTarget* progress, bool allowFat32) {
    fatscan::cFATDetectRequest request;
    request.storage = &storage_;
    request.partitionStart = partitionStart_;
    request.sectorCount = partitionSectors_;
    request.allowFat32 = allowFat32;
    request.progress = progress;
    const std::optional<fatscan::cFATGeometry> found = fatscan::DetectFATGeometry(request);
    if (!found || found->state == 0 || !found->HasLayout()) {
        return false;
    }
    geometry_ = *found;
    return true;
}

bool cFATReconstructor::CheckTables(cProgressNotifyTarget* progress) {
    if (geometry_.IsFat32()) {
        auto table = std::make_unique<cFAT32Checker>();
        if (!table->Load(storage_, partitionStart_, geometry_, progress)) {
            return false;
        }
        table_ = std::move(table);
        return true;
    }
    auto table = std::make_unique<cFAT1xChecker>();
    if (!table->Load(storage_, partitionStart_, geometry_, progress)) {
        return false;
    }
    table_ = std::move(table);
    return true;
}

std::uint64_t cFATReconstructor::RecordBytes() const {
    std::uint64_t bytes = records_.capacity() * sizeof(cDirCluster);
    for (const cDirCluster& record : records_) {
        bytes += record.entries.capacity();
    }
    return bytes;
}
