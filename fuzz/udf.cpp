// Mounts the UDF reader over a memory-backed volume, walks the whole tree (bounded) and
// reads every file. Whatever the anchor, descriptor sequence, file entries, folders and
// allocation descriptors claim (sequences that never end, continuations that loop,
// records of length 0 or past their folder, extents past the volume), every call must
// end, stay inside what was read and allocate only bounded amounts. The input is a sparse
// image (volume_fuzz.h).

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/udf/vudf.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0);
    cVUDF fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
        fuzzvolume::OpenByIds(fs, 300);
        fs.GetIdentity();
    }
    return 0;
}
