#include "scan/ntfs/found_record.h"

#include "vfs/fs_time.h"
#include "vfs/ntfs/file_name.h"
#include "vfs/ntfs/mft_record.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/update_sequence.h"

#include <limits>

namespace {

constexpr std::uint16_t kInUse = 0x0001;
constexpr std::uint16_t kDirectory = 0x0002;
constexpr std::uint64_t kTicksPerSecond = 10000000;

// Whether every stride the update sequence protects ends with its sequence number, read
// before the array is applied; a torn write leaves another value there.
bool SequenceIntact(bytes::Span record) {
    const std::uint16_t offset = bytes::Le16At(record, 4).value_or(0);
    const std::uint16_t count = bytes::Le16At(record, 6).value_or(0);
    const auto sequence = bytes::Le16At(record, offset);
    if (!sequence || count == 0) {
        return false;
    }
    for (std::size_t stride = 1; stride < count; ++stride) {
        const std::size_t end = stride * ntfs::kStride;
        if (end > record.size()) {
            break;
        }
        if (bytes::Le16At(record, end - 2) != sequence) {
            return false;
        }
    }
    return true;
}

std::uint32_t UnixSeconds(std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / kTicksPerSecond;
    if (seconds <= fstime::kUnixEpochIn1601Seconds) {
        return 0;
    }
    const std::uint64_t unix = seconds - fstime::kUnixEpochIn1601Seconds;
    return unix > std::numeric_limits<std::uint32_t>::max() ? 0 : std::uint32_t(unix);
}

void ReadName(const ntfs::Attribute& attribute, cFoundRecord& found) {
    if (attribute.nonResident) {
        return;
    }
    auto name = ntfs::ParseFileName(attribute.value);
    if (!name) {
        return;
    }
    // The long name wins over a DOS-only one; of several long names (hard links) the
    // first is kept.
    if (found.hasName && !(found.nameSpace == ntfs::kDosName && !name->IsDosOnly())) {
        return;
    }
    found.hasName = true;
    found.name = std::move(name->name);
    found.parent = name->parentRecord;
    found.nameSpace = name->nameSpace;
}

void ReadData(const ntfs::Attribute& attribute, cFoundRecord& found) {
    if (found.hasData || attribute.lowestVcn != 0 || !attribute.name.empty()) {
        return;
    }
    found.hasData = true;
    found.dataFlags = attribute.flags;
    found.size = attribute.Size();
    if (!attribute.nonResident) {
        found.resident = true;
        found.initializedSize = found.size;
        return;
    }
    found.initializedSize = attribute.initializedSize;
    found.clustersMapped = attribute.highestVcn == ~std::uint64_t(0) ? 0 : attribute.highestVcn + 1;
    if (!ntfs::DecodeMappingPairs(attribute.mappingPairs, 0, found.runs)) {
        found.runs.clear();
        found.clustersMapped = 0;
    }
}

} // namespace

std::optional<cFoundRecord> ReadFoundRecord(bytes::Span bytes, std::uint32_t recordSize) {
    if (recordSize < ntfs::kStride || bytes.size() < recordSize) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> record(bytes.begin(), bytes.begin() + recordSize);
    cFoundRecord found;
    found.damaged = !SequenceIntact(record);
    if (!ntfs::FixupRecord(record)) {
        found.damaged = true;
        ntfs::ApplyUpdateSequence(record);
    }
    const auto header = bytes::Slice<48>(record);
    if (!header) {
        return std::nullopt;
    }
    found.baseRecord = ntfs::RecordNumber(bytes::Le64<32>(*header));
    const std::uint16_t flags = bytes::Le16<22>(*header);
    found.inUse = (flags & kInUse) != 0;
    found.directory = (flags & kDirectory) != 0;
    // NTFS 3.1 keeps the record's number after the header fields that older versions
    // ended with; there the update sequence array starts at 48 or later.
    if (bytes::Le16<4>(*header) >= 48) {
        found.number = bytes::Le32<44>(*header);
    }
    for (ntfs::AttributeWalker walker(record); auto attribute = walker.Next();) {
        switch (attribute->type) {
        case ntfs::kStandardInformation:
            if (!attribute->nonResident) {
                found.mtime = UnixSeconds(bytes::Le64At(attribute->value, 8).value_or(0));
                found.fileAttributes = bytes::Le32At(attribute->value, 32).value_or(0);
            }
            break;
        case ntfs::kAttributeList:
            found.hasAttributeList = true;
            break;
        case ntfs::kFileName:
            ReadName(*attribute, found);
            break;
        case ntfs::kData:
            ReadData(*attribute, found);
            break;
        default:
            break;
        }
    }
    if (found.damaged && !found.hasName) {
        return std::nullopt;
    }
    return found;
}
