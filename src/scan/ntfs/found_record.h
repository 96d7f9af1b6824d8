#pragma once
// One MFT record as the deep scan finds it on the disk, read with the NTFS reader's record
// parser: what it is, where its names file it, and where its data lies. Records whose
// header or update sequence is damaged are still read for what they hold and marked.

#include "base/bytes.h"
#include "vfs/ntfs/mapping_pairs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct cFoundRecord {
    static constexpr std::uint64_t kNoNumber = ~std::uint64_t(0);

    std::uint64_t number = kNoNumber; // the record's own number, when it keeps one
    // An extension record names its base record; its attributes belong to that file.
    std::uint64_t baseRecord = 0;
    bool inUse = false;
    bool directory = false;
    // The header failed its checks or a sector's update sequence value did not match: the
    // record was torn or overwritten in part.
    bool damaged = false;
    // The long name (the first one, for a file with hard links), else the only one.
    bool hasName = false;
    std::u16string name;
    std::uint64_t parent = 0;
    std::uint8_t nameSpace = 0;
    std::uint32_t fileAttributes = 0; // $STANDARD_INFORMATION
    std::uint32_t mtime = 0;          // seconds since 1970; 0 when unknown

    // The unnamed $DATA's first extent.
    bool hasData = false;
    bool resident = false;
    std::uint16_t dataFlags = 0; // compressed, encrypted, sparse
    std::uint64_t size = 0;
    std::uint64_t initializedSize = 0;
    std::uint64_t clustersMapped = 0; // clusters the extent's runs describe
    std::vector<ntfs::Run> runs;
    bool hasAttributeList = false;
};

// Reads the record at the start of bytes (which may hold more). recordSize is the
// volume's; nothing for a record too short and a damaged record with no name left to
// file it by.
std::optional<cFoundRecord> ReadFoundRecord(bytes::Span bytes, std::uint32_t recordSize);
