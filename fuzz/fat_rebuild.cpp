// The whole FAT reconstruction over a memory storage of arbitrary bytes. The first 16
// bytes give a geometry (type, table place and size, data start, cluster size and count),
// so that the table loaders and the build are reached without a detection; the rest is
// the partition. Then a detection runs on the same bytes and, when it finds something,
// the steps run again with its geometry: chains that loop, leave the table or cross,
// folders naming themselves as parents and long names of every length all meet here.

#include "scan/fat/fat_reconstructor.h"
#include "scan/vstorage.h"
#include "support/mem_io.h"

#include <cstdint>
#include <vector>

namespace {

void Rebuild(cFATReconstructor& reconstructor) {
    if (!reconstructor.CheckTables(nullptr) || !reconstructor.Index(nullptr)) {
        return;
    }
    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    reconstructor.Build({&tree, &deleted, &damaged}, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 16;
    if (size < kHeader || size > (8u << 20)) {
        return 0;
    }
    cMemIO io(std::vector<std::uint8_t>(data + kHeader, data + size));
    const std::uint64_t sectors = io.GetSectorCount();
    fatscan::cFATGeometry geometry;
    geometry.state = 2;
    geometry.fatType = fatscan::FatType(1 + data[0] % 3);
    geometry.rootEntries = geometry.fatType == fatscan::FatType::kFat32   ? 0
                           : geometry.fatType == fatscan::FatType::kFat12 ? 224
                                                                          : 512;
    geometry.firstFatSector = data[1];
    geometry.fatSectors = data[2] | (data[3] << 8);
    geometry.dataStart = data[4] | (data[5] << 8);
    geometry.clusterBytes = 512u << (data[6] % 10);
    geometry.clusterCount = data[7] | (data[8] << 8) | (std::uint32_t(data[9]) << 16);
    geometry.rootCluster = data[10] | (data[11] << 8);
    cFATReconstructor given(io, 0, sectors);
    given.SetGeometry(geometry);
    Rebuild(given);

    cFATReconstructor found(io, 0, sectors);
    if (found.Detect(nullptr, data[12] & 1)) {
        Rebuild(found);
    }
    return 0;
}
