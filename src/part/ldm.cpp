#include "part/ldm.h"

#include "base/bytes.h"
#include "base/checked.h"
#include "io/base_io.h"
#include "part/boot_sector.h"
#include "part/map_io.h"
#include "part/part_tree.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// LDM on-disk layout (big-endian), as documented by the Linux-NTFS project's "LDM
// Documentation": PRIVHEAD in sector 6; TOCBLOCK two sectors into the configuration; the
// VMDB header 17 sectors in, followed by fixed-size VBLK records.
constexpr std::uint64_t kPrivateHeaderSector = 6;
constexpr std::size_t kDiskGuidText = 0x30;
constexpr std::size_t kLogicalStart = 0x11B;
constexpr std::size_t kLogicalSize = 0x123;
constexpr std::size_t kConfigStart = 0x12B;
constexpr std::size_t kConfigSize = 0x133;
constexpr std::uint64_t kTocSector = 2;
constexpr std::uint64_t kVmdbSector = 17;
constexpr std::size_t kRecordSizeField = 8;
constexpr std::size_t kFirstRecordField = 12;
// VBLK header: "VBLK", sequence, group, record number, then at 14 the fragment field and
// at 19 the record type; the object id starts at 24.
constexpr std::size_t kFragmentField = 14;
constexpr std::size_t kRecordType = 19;
constexpr std::size_t kObjectId = 24;
constexpr std::uint8_t kPartitionRecord = 0x33;
constexpr std::uint8_t kDiskRecordText = 0x34;
constexpr std::uint8_t kDiskRecordBinary = 0x44;
// A real database is 1 MiB of 128-byte records; these bound what a hostile one can ask.
constexpr std::uint32_t kMinRecordSize = 32;
constexpr std::uint32_t kMaxRecordSize = 64 * 1024;
constexpr std::size_t kMaxRecords = 65536;

using Guid = std::array<std::uint8_t, 16>;

struct Database {
    std::uint64_t logicalStart = 0;
    std::optional<Guid> diskGuid;
    std::uint64_t configStart = 0;
    std::uint64_t configSize = 0;
};

struct PartitionRecord {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::uint64_t diskId = 0;
};

struct DiskRecord {
    std::uint64_t objectId = 0;
    std::optional<Guid> guid;
};

bool Within(std::uint64_t start, std::uint64_t size, std::uint64_t limit) {
    return start <= limit && size <= limit - start;
}

std::optional<std::uint8_t> HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return std::uint8_t(c - '0');
    }
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
        return std::uint8_t((c | 0x20) - 'a' + 10);
    }
    return std::nullopt;
}

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" as its 16 bytes in text order (which is how the
// binary disk records store it too).
std::optional<Guid> ParseGuidText(bytes::Span text) {
    if (text.size() < 36) {
        return std::nullopt;
    }
    Guid guid{};
    std::size_t digits = 0;
    for (std::size_t i = 0; i < 36; ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const auto value = HexValue(text[i]);
        if (!value) {
            return std::nullopt;
        }
        guid[digits / 2] = std::uint8_t(guid[digits / 2] << 4 | *value);
        ++digits;
    }
    return guid;
}

// The private header and the table of contents must agree with each other and with the
// node before any record is believed.
std::optional<Database> ReadDatabase(cPartTreeItem& node) {
    cBaseIO* storage = node.Storage();
    const std::optional<part::Sector> header = part::ReadSector(storage, kPrivateHeaderSector);
    if (!header || !part::HasText(*header, 0, "PRIVHEAD")) {
        return std::nullopt;
    }
    Database db;
    db.logicalStart = bytes::Be64<kLogicalStart>(*header);
    const std::uint64_t logicalSize = bytes::Be64<kLogicalSize>(*header);
    db.configStart = bytes::Be64<kConfigStart>(*header);
    db.configSize = bytes::Be64<kConfigSize>(*header);
    db.diskGuid = ParseGuidText(bytes::Fixed<kSectorSize>(*header).subspan<kDiskGuidText, 36>());
    if (!Within(db.configStart, db.configSize, node.Length()) ||
        !Within(db.logicalStart, logicalSize, db.configStart)) {
        return std::nullopt;
    }
    const std::optional<part::Sector> toc = part::ReadSector(storage, db.configStart + kTocSector);
    if (!toc || !part::HasText(*toc, 0, "TOCBLOCK")) {
        return std::nullopt;
    }
    // Two bitmaps, each a NUL-terminated name then its start and size in the configuration.
    struct Bitmap {
        std::size_t name;
        std::string_view text;
    };
    for (const Bitmap bitmap : {Bitmap{0x24, std::string_view("config\0", 7)},
                                Bitmap{0x46, std::string_view("log\0", 4)}}) {
        const auto start = bytes::Be64At(*toc, bitmap.name + 10);
        const auto size = bytes::Be64At(*toc, bitmap.name + 18);
        if (!part::HasText(*toc, bitmap.name, bitmap.text) || !start || !size ||
            !Within(*start, *size, db.configSize)) {
            return std::nullopt;
        }
    }
    return db;
}

// A length byte (1 to 8) and that many bytes, most significant first.
std::optional<std::uint64_t> VarNumber(bytes::Cursor& cursor) {
    const std::uint8_t length = cursor.U8();
    if (length > 8) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::uint8_t i = 0; i < length; ++i) {
        value = value << 8 | cursor.U8();
    }
    return cursor.Ok() ? std::optional(value) : std::nullopt;
}

// A length byte and that many characters.
bytes::Span CountedText(bytes::Cursor& cursor) {
    return cursor.Bytes(cursor.U8());
}

std::optional<PartitionRecord> ParsePartition(bytes::Cursor& cursor) {
    PartitionRecord partition;
    cursor.Skip(12);
    partition.start = cursor.Be64();
    cursor.Skip(8); // volume offset
    const auto size = VarNumber(cursor);
    const auto component = VarNumber(cursor);
    const auto disk = VarNumber(cursor);
    if (!size || !component || !disk) {
        return std::nullopt;
    }
    partition.size = *size;
    partition.diskId = *disk;
    return partition;
}

std::optional<Guid> ParseDiskGuid(bytes::Cursor& cursor, std::uint8_t type) {
    if (type == kDiskRecordText) {
        return ParseGuidText(CountedText(cursor));
    }
    const bytes::Span raw = cursor.Bytes(16);
    if (!cursor.Ok()) {
        return std::nullopt;
    }
    Guid guid;
    std::copy(raw.begin(), raw.end(), guid.begin());
    return guid;
}

struct Records {
    std::vector<PartitionRecord> partitions;
    std::vector<DiskRecord> disks;
};

// The partition and disk records among the fixed-size VBLKs from byte position up to end;
// the first block that is not a VBLK ends the database. Records whose fields run off their
// end are left out.
Records ReadRecords(cBaseIO& storage, std::uint64_t position, std::uint64_t end,
                    std::uint32_t recordSize) {
    Records records;
    std::vector<std::uint8_t> record(recordSize);
    for (std::size_t n = 0; n < kMaxRecords && position <= end && recordSize <= end - position;
         ++n, position += recordSize) {
        if (!storage.ReadBytes(record.data(), position, recordSize) ||
            !part::HasText(record, 0, "VBLK")) {
            break;
        }
        if (bytes::Be16At(record, kFragmentField) != 1) {
            continue;
        }
        const std::uint8_t type = record[kRecordType];
        bytes::Cursor cursor(record, kObjectId);
        const auto objectId = VarNumber(cursor);
        CountedText(cursor); // name
        if (!cursor.Ok() || !objectId) {
            continue;
        }
        if (type == kPartitionRecord) {
            const auto partition = ParsePartition(cursor);
            if (cursor.Ok() && partition) {
                records.partitions.push_back(*partition);
            }
        } else if (type == kDiskRecordText || type == kDiskRecordBinary) {
            const auto guid = ParseDiskGuid(cursor, type);
            records.disks.push_back({*objectId, cursor.Ok() ? guid : std::nullopt});
        }
    }
    return records;
}

} // namespace

bool cLdmPartParser::Probe(cPartTreeItem& node) {
    return ReadDatabase(node).has_value();
}

bool cLdmPartParser::Parse(cPartTreeItem& node) {
    const std::optional<Database> db = ReadDatabase(node);
    cBaseIO* storage = node.Storage();
    // The configuration was checked against the node; byte positions inside it must also
    // exist on the storage and fit in 64 bits.
    if (!db || db->configStart + db->configSize >
                   std::min(storage->GetSectorCount(), UINT64_MAX / kSectorSize)) {
        return false;
    }
    const std::optional<part::Sector> vmdb =
        part::ReadSector(storage, db->configStart + kVmdbSector);
    if (!vmdb) {
        return false;
    }
    const std::uint32_t recordSize = bytes::Be32<kRecordSizeField>(*vmdb);
    if (recordSize < kMinRecordSize || recordSize > kMaxRecordSize) {
        return false;
    }
    const Records records = ReadRecords(
        *storage,
        (db->configStart + kVmdbSector) * kSectorSize + bytes::Be32<kFirstRecordField>(*vmdb),
        (db->configStart + db->configSize) * kSectorSize, recordSize);

    std::optional<std::uint64_t> thisDisk;
    for (const DiskRecord& disk : records.disks) {
        if (disk.guid && disk.guid == db->diskGuid) {
            thisDisk = disk.objectId;
            break;
        }
    }
    for (const PartitionRecord& partition : records.partitions) {
        if ((thisDisk && partition.diskId != *thisDisk) || partition.size == 0) {
            continue;
        }
        const std::optional<std::uint64_t> start = checked::Add(db->logicalStart, partition.start);
        if (!start) {
            continue;
        }
        const std::optional<part::Sector> firstSector = part::ReadSector(storage, *start);
        const std::uint16_t type =
            firstSector ? part::LdmVolumeBootType(*firstSector) : part_type::kUnknown;
        if (part::AddPartition(node, *start, partition.size, type) == nullptr) {
            break;
        }
    }
    return true;
}
