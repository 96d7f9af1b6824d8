// Mounts the NTFS reader over a memory-backed volume, walks the whole tree (bounded) and
// reads every file. Whatever the records, indexes, run lists and compressed data claim,
// every call must end, stay inside what was read and allocate only bounded amounts.
//
// The input is a sparse image (volume_fuzz.h); a real volume becomes a seed of only its
// non-zero metadata sectors.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_params.h"
#include "vfs/ntfs/vntfs.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x07);
    cVNTFS fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        // Records read whether in use or not, as the deep scan reads them.
        fuzzvolume::OpenByIds(fs, 40);
        for (std::uint64_t cluster = 0; cluster < fs.GetBlockCount() && cluster < 70000;
             cluster += 997) {
            fs.IsBlockUsed(cluster);
        }
        // The same volume again from its MFT's place alone, as after a lost boot sector.
        cPartRecord again;
        again.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x07);
        cVNTFS fromParams;
        const cExtNTFSParams params(fs.MftStart(), fs.RecordSize());
        if (fromParams.MountWithParams(again, &params)) {
            fuzzvolume::Walk(fromParams);
        }
    }
    return 0;
}
