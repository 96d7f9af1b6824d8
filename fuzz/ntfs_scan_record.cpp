// The deep scan's record-to-item path on arbitrary bytes: the input read as a file record
// of each record size, every one found filed into the three results, then all of them
// placed. Huge sizes, runs outside the volume, parent loops and names past the record's
// end must end cleanly and keep every item inside its tree.

#include "scan/ntfs/found_record.h"
#include "scan/ntfs/record_filer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cNTFSGeometry geometry;
    geometry.clusterSize = 4096;
    geometry.volumeStart = 7;
    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    cNTFSRecordFiler filer(geometry, 1 << 20, {&tree, &deleted, &damaged});
    const bytes::Span input(data, size);
    for (std::uint32_t recordSize : {512u, 1024u, 4096u}) {
        geometry.recordSize = recordSize;
        // Every record-sized piece, as records lie one after another in the MFT.
        for (std::size_t at = 0; at < size; at += recordSize) {
            if (auto record = ReadFoundRecord(input.subspan(at), recordSize)) {
                filer.File(*record, at / 512);
            }
        }
    }
    filer.Finish();
    return 0;
}
