// The NTFS structure parsers on arbitrary bytes: an MFT record with its attributes and
// their mapping pairs, file names, index roots and attribute lists found in it; the same
// bytes as an "INDX" block, as LZNT1 data and as a boot sector.

#include "vfs/ntfs/attribute_list.h"
#include "vfs/ntfs/boot_sector.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/index_node.h"
#include "vfs/ntfs/lznt1.h"
#include "vfs/ntfs/mapping_pairs.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void WalkIndexEntries(bytes::Span entries) {
    for (ntfs::IndexEntryWalker walker(entries); auto entry = walker.Next();) {
        ntfs::ParseFileName(entry->key);
    }
}

void WalkRecord(std::vector<std::uint8_t> record) {
    if (!ntfs::FixupRecord(record)) {
        return;
    }
    std::vector<ntfs::Run> runs;
    for (ntfs::AttributeWalker walker(record); auto a = walker.Next();) {
        if (a->nonResident) {
            ntfs::DecodeMappingPairs(a->mappingPairs, a->lowestVcn, runs);
            continue;
        }
        switch (a->type) {
        case ntfs::kFileName:
            ntfs::ParseFileName(a->value);
            break;
        case ntfs::kIndexRoot:
            if (auto root = ntfs::ParseIndexRoot(a->value)) {
                WalkIndexEntries(root->entries);
            }
            break;
        case ntfs::kAttributeList:
            for (ntfs::AttributeListWalker list(a->value); list.Next();) {
            }
            break;
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bytes::Span input(data, size);
    for (std::size_t recordSize : {1024u, 4096u}) {
        if (size >= recordSize) {
            WalkRecord(std::vector<std::uint8_t>(data, data + recordSize));
        }
    }
    std::vector<std::uint8_t> block(data, data + size);
    if (auto entries = ntfs::ParseIndexBlock(block)) {
        WalkIndexEntries(*entries);
    }
    std::vector<std::uint8_t> unit(65536);
    ntfs::Lznt1Decompress(input, unit);
    std::vector<std::uint8_t> small(size % 9000);
    ntfs::Lznt1Decompress(input, small);
    if (auto boot = ntfs::ParseBootSector(input)) {
        ntfs::MftSector(*boot);
    }
    std::vector<ntfs::Run> runs;
    ntfs::DecodeMappingPairs(input, size > 0 ? data[0] : 0, runs);
    return 0;
}
