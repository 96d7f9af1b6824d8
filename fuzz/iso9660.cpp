// Mounts the ISO 9660 reader over a memory-backed volume (primary, Joliet, Rock Ridge or
// High Sierra), walks the whole tree (bounded), reads every file and opens objects by id.
// Whatever the descriptors, directory records, system use areas and continuation areas
// claim, every call must end, stay inside what was read and allocate only bounded
// amounts. The input is a sparse image (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/iso9660/viso9660.h"
#include "volume_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0);
    cVISO9660 fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 300);
        fs.GetIdentity();
    }
    return 0;
}
