#pragma once
// Everything the program learns about a partition hangs on its node as an extension: the
// parser that read the map, the mounted file system, a volume name, saved map sectors,
// scan data. A record holds at most one extension of each kind; it owns them and, when
// one goes, first lets it release what it holds (ExtensionHook) and then destroys it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace part_ext {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kParser = 1;         // cPartParser
inline constexpr std::uint32_t kLegacyData = 2;     // cPartLegacyData: saved map sectors
inline constexpr std::uint32_t kLegacyBoot = 3;     // cPartLegacyBoot: MBR/EBR boot code
inline constexpr std::uint32_t kNetWareData = 5;    // cNWPartData
inline constexpr std::uint32_t kFileSystem = 6;     // cVFS and the file-system readers
inline constexpr std::uint32_t kVolumeName = 7;     // cPartNameData
inline constexpr std::uint32_t kVirtualStorage = 8; // reconstructed storage data
inline constexpr std::uint32_t kAltFileSystems = 9; // further file systems of the partition
inline constexpr std::uint32_t kDiagnostics = 11;   // file-system test results
} // namespace part_ext

class cPartExtension {
public:
    cPartExtension() = default;
    cPartExtension(const cPartExtension&) = delete;
    cPartExtension& operator=(const cPartExtension&) = delete;
    virtual ~cPartExtension() = default;

    // Releases what the extension holds; called right before the record destroys it.
    virtual void ExtensionHook() {}
    virtual std::uint32_t GetExtensionKind() const { return part_ext::kNone; }
    // The identity record of a mounted file system (its type code, then bytes the reader
    // chooses so that two mounts of one volume compare equal); empty for every other
    // extension. File-system readers override it so that the tree can find a volume it
    // already holds without depending on the file-system layer.
    virtual std::vector<std::uint8_t> ExtensionIdentity() const { return {}; }
};

// Raw map sectors a parser keeps (the GPT entry array and header, the Apple map blocks,
// the LVM label area).
class cPartLegacyData : public cPartExtension {
public:
    explicit cPartLegacyData(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    void ExtensionHook() override { bytes_.clear(); }
    std::uint32_t GetExtensionKind() const override { return part_ext::kLegacyData; }

    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// The 446-byte boot code area of an MBR or EBR.
class cPartLegacyBoot : public cPartLegacyData {
public:
    using cPartLegacyData::cPartLegacyData;
    std::uint32_t GetExtensionKind() const override { return part_ext::kLegacyBoot; }
};

// The volume name a file-system reader found or the user gave.
class cPartNameData : public cPartExtension {
public:
    explicit cPartNameData(std::u16string name) : name_(std::move(name)) {}

    void ExtensionHook() override { name_.clear(); }
    std::uint32_t GetExtensionKind() const override { return part_ext::kVolumeName; }

    const std::u16string& Name() const { return name_; }

private:
    std::u16string name_;
};

// Where a traditional NetWare volume keeps its tables, taken from the volume table entry
// that described it; the NetWare file-system reader mounts the volume from these alone.
class cNWPartData : public cPartExtension {
public:
    cNWPartData(std::uint32_t firstFatBlock, std::uint32_t sectorsPerBlock,
                std::uint32_t firstDirectoryBlock)
        : firstFatBlock_(firstFatBlock), sectorsPerBlock_(sectorsPerBlock),
          firstDirectoryBlock_(firstDirectoryBlock) {}

    std::uint32_t GetExtensionKind() const override { return part_ext::kNetWareData; }

    std::uint32_t FirstFatBlock() const { return firstFatBlock_; }
    std::uint32_t SectorsPerBlock() const { return sectorsPerBlock_; }
    std::uint32_t FirstDirectoryBlock() const { return firstDirectoryBlock_; }

private:
    std::uint32_t firstFatBlock_;
    std::uint32_t sectorsPerBlock_;
    std::uint32_t firstDirectoryBlock_;
};
