#pragma once
// cNTFSObj: a read-only stream over one attribute of an MFT record: a resident value, or
// the clusters of a non-resident attribute gathered from every extent, read cluster by
// cluster or, for compressed attributes, compression unit by compression unit.

#include "vfs/ntfs/mapping_pairs.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/object_handle.h"
#include "vfs/run_list.h"

#include <cstdint>
#include <optional>
#include <vector>

class cVNTFS;

class cNTFSObj final : public cObjectHandle {
public:
    // A resident attribute of record: the stream is its value.
    static std::unique_ptr<cNTFSObj> OverValue(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
                                               std::uint32_t attributeOffset);
    // A non-resident attribute whose first extent lies at attributeOffset of record and
    // whose clusters (of every extent) are runs. compressed makes the read unit one
    // compression unit; null when that unit is unreasonably large.
    static std::unique_ptr<cNTFSObj> OverRuns(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
                                              std::uint32_t attributeOffset,
                                              const std::vector<ntfs::Run>& runs, bool compressed);

    bool IsOpen() const override { return fileSystem_ != nullptr; }
    std::uint64_t Seek(std::uint64_t position) override;
    // Bytes past the attribute's initialized size read as zeros. A unit that cannot be
    // read or decompressed ends the call short.
    std::uint32_t Read(void* buffer, std::uint32_t length) override;
    // The data size, bounded by the allocation, the decoded runs and, for a stream
    // without holes, the volume.
    std::uint64_t GetSize() const override { return size_; }
    // A real size beyond what backs it, or runs outside the volume, where a Read then
    // ends short.
    bool IsDamaged() const override { return damaged_; }

    // The whole stream from its start, when it is at most limit bytes long and reads
    // completely.
    std::optional<std::vector<std::uint8_t>> ReadAll(std::uint64_t limit);

    // The MFT record the attribute was found in, fixed up, and the attribute's first extent.
    const std::vector<std::uint8_t>& Record() const { return record_; }
    const ntfs::Attribute& Attribute() const { return attribute_; }
    bool IsCompressed() const { return compressed_; }
    // Where a non-resident stream's clusters lie (empty for a resident one).
    const cRunList& Runs() const { return runs_; }

private:
    cNTFSObj(cVNTFS* fileSystem, std::vector<std::uint8_t> record,
             const ntfs::Attribute& attribute);

    // Each answers how many bytes of [position, position + length) it produced, 0 on
    // failure; at most the rest of one unit unless whole clusters can go straight into out.
    std::uint32_t ReadPlain(std::uint64_t position, std::uint8_t* out, std::uint32_t length);
    std::uint32_t ReadCompressed(std::uint64_t position, std::uint8_t* out, std::uint32_t length);
    bool LoadCompressionUnit(std::uint64_t unit);

    static constexpr std::uint64_t kNoUnit = ~std::uint64_t(0);

    cVNTFS* fileSystem_;
    std::vector<std::uint8_t> record_;
    ntfs::Attribute attribute_; // spans point into record_
    std::uint64_t position_ = 0;
    cRunList runs_; // in clusters
    std::vector<std::uint8_t> unitBuffer_;
    std::vector<std::uint8_t> packed_; // the allocated clusters of a compression unit
    std::uint32_t unitSize_ = 0;
    bool compressed_ = false;
    std::uint64_t cachedUnit_ = kNoUnit;
    std::uint64_t size_ = 0;
    std::uint64_t initializedSize_ = 0;
    std::uint64_t mappedSize_ = 0; // bytes the readable runs cover (non-resident streams)
    bool damaged_ = false;
};
