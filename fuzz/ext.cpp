// Mounts the Ext2/3/4 reader over a memory-backed volume, walks the whole tree (bounded),
// reads every file and asks the block bitmap. Whatever the superblock, descriptors,
// inodes, folders, block maps and extent trees claim, every call must end, stay inside
// what was read and allocate only bounded amounts. The input is a sparse image
// (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ext/vext.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x83);
    cVExt23 fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 40);
        // Inodes by their place, as a scan finds them, aligned or not.
        for (std::uint64_t position = 0; position < fuzzvolume::kSectors * 512; position += 4093) {
            if (auto handle = fs.OpenObjectAtRecord(position)) {
                fuzzvolume::ReadSome(*handle);
            }
        }
        for (std::uint64_t block = 0; block < fs.GetBlockCount() && block < 70000; block += 97) {
            fs.IsBlockUsed(block);
        }
        fs.GetIdentity();
    }
    return 0;
}
