// Mounts the NetWare reader over a memory-backed volume whose partition data come from the
// input, walks the whole tree (bounded), reads every file and asks every block's state.
// Whatever the tables claim (chains that loop, turn back or leave the volume, positions out
// of order, entries that are their own parents or each other's), every call must end, stay
// inside what was read and allocate only bounded amounts.
//
// The input: sectors per block, the first block of the allocation table and of the
// directory table (one byte each), then a sparse image (volume_fuzz.h).

#include "part/part_extension.h"
#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/nwfs/vnwfs.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 3;
    if (size < kHeader) {
        return 0;
    }
    cMemIO storage(fuzzvolume::LayOut(data + kHeader, size - kHeader));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x6200);
    record.AttachExtension(std::make_unique<cNWPartData>(data[1], data[0], data[2]));
    cVNWFS fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 40);
        for (std::uint64_t block = 0; block <= fs.GetBlockCount(); ++block) {
            fs.IsBlockUsed(block);
        }
        fs.GetIdentity();
    }
    return 0;
}
