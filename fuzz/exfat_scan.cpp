// The exFAT volume search and rebuild over a sparse image (volume_fuzz.h): root entries
// that name overlapping or impossible tables, up-case tables that almost pass, FATs that
// loop or leave the volume, bitmaps that mark everything or nothing. Whatever the bytes,
// the search must end, read only inside the partition, and the rebuild must file a
// bounded tree.

#include "part/part_tree.h"
#include "scan/exfat/exfat_rebuild.h"
#include "scan/vstorage.h"
#include "support/mem_io.h"
#include "vfs/exfat/vexfat.h"
#include "volume_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    const std::optional<exfatscan::cFoundVolume> found =
        exfatscan::FindVolume({&storage, 0, fuzzvolume::kSectors, nullptr});
    if (!found) {
        return 0;
    }
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x07);
    if (const std::unique_ptr<cVExFAT> reader = exfatscan::MountFound(record, *found)) {
        cQORNVStorage tree;
        cQORNVStorage deleted;
        cQORNVStorage damaged;
        exfatscan::Rebuild(*reader, {&tree, &deleted, &damaged}, nullptr);
    }
    record.DestroyExtensions();
    return 0;
}
