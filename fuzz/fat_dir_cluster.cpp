// The FAT reconstruction's view of single clusters over arbitrary bytes: the folder-cluster
// test with and without a cluster count, the parser of the entries it accepts, and the
// folder-start tracker fed the bytes sector by sector.

#include "scan/fat/fat_detect.h"
#include "scan/fat/fat_dir_test.h"
#include "scan/fat/fat_reconstructor.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const bool fat32 : {false, true}) {
        for (const std::uint64_t count : {std::uint64_t(0), std::uint64_t(4085)}) {
            if (fatscan::TestDirectoryCluster(bytes, count, fat32).isDirectory) {
                cFATReconstructor::ParseEntries(bytes, fat32);
            }
        }
    }
    fatscan::cFolderStartTracker tracker(4096);
    for (std::size_t at = 0; at + fatscan::kSectorBytes <= size; at += fatscan::kSectorBytes) {
        if (tracker.Feed(at / fatscan::kSectorBytes,
                         std::span<const std::uint8_t, fatscan::kSectorBytes>(
                             data + at, fatscan::kSectorBytes))) {
            break;
        }
    }
    return 0;
}
