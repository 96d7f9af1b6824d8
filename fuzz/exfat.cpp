// Mounts the exFAT reader over a memory-backed volume, walks the whole tree (bounded),
// reads every file and asks for objects and allocation by number. Whatever the boot
// region, the entry sets (counts, names longer than their sets), the FAT (chains that
// loop or leave the volume), the bitmap (shorter than the volume) and the lengths claim,
// every call must end, stay inside what was read and allocate only bounded amounts. The
// input is a sparse image (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/exfat/vexfat.h"
#include "volume_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x07);
    cVExFAT fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        for (std::uint64_t cluster = 0; cluster < 64; ++cluster) {
            fs.IsBlockUsed(cluster);
        }
        fuzzvolume::OpenByIds(fs, 64);
        record.DestroyExtensions();
    }
    return 0;
}
