// The NTFS deep scan over a memory-backed disk: detection, the reader built from what it
// found, the long scan of every record into the three results, and a walk reading every
// file of the rebuilt tree. The input is a sparse image (volume_fuzz.h), seeded with the
// metadata sectors of a real volume, so the MFT's records are where detection looks.

#include "part/part_tree.h"
#include "scan/ntfs/deep_scan.h"
#include "scan/reconstructed_fs.h"
#include "support/mem_io.h"
#include "volume_fuzz.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(fuzzvolume::LayOut(data, size));
    cPartRecord record;
    record.SetRecord(&storage, 0, fuzzvolume::kSectors, 0x07);
    auto tree = std::make_unique<cQORNVStorage>();
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    ntfsscan::DeepScan(record, {tree.get(), &deleted, &damaged}, nullptr);
    record.AttachExtension(std::move(tree));
    cVReconstructedFS fs;
    if (fs.Mount(record)) {
        fuzzvolume::Walk(fs);
    }
    return 0;
}
