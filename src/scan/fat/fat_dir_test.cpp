#include "scan/fat/fat_dir_test.h"

#include "vfs/fat/fat_dir.h"

#include <algorithm>
#include <cstring>

namespace fatscan {
namespace {

constexpr std::uint8_t kLastPieceFlag = 0x40;

bool IsForbiddenNameByte(std::uint8_t byte) {
    static constexpr char kForbidden[] = "\"'*+,/:;<=>?[\\]|";
    return byte < 0x20 || std::memchr(kForbidden, byte, sizeof kForbidden - 1) != nullptr;
}

bool HasValidShortName(const std::uint8_t* entry) {
    // 0x05 in front stands for a name starting with 0xE5.
    if (entry[0] != 0x05 && IsForbiddenNameByte(entry[0])) {
        return false;
    }
    return std::none_of(entry + 1, entry + 11, IsForbiddenNameByte);
}

} // namespace

cDirClusterTest TestDirectoryCluster(std::span<const std::uint8_t> buffer,
                                     std::uint64_t clusterCount, bool fat32) {
    cDirClusterTest result;
    if (buffer.size() < fatdir::kEntrySize) {
        return result;
    }
    // The number the next long-name piece must carry; 0 outside a name, and after piece 1
    // only a short entry may follow.
    unsigned expected = 0;
    bool afterLastPiece = false;
    std::size_t valid = 0;
    std::size_t at = 0;
    for (; at + fatdir::kEntrySize <= buffer.size(); at += fatdir::kEntrySize) {
        const std::uint8_t* entry = buffer.data() + at;
        if (entry[0] == 0) {
            result.endsDirectory = true;
            break;
        }
        const bool deleted = entry[0] == fatdir::kDeletedMark;
        const std::uint8_t attributes = entry[11];
        if (attributes == fatdir::kAttrLongName) {
            if (!deleted) {
                const unsigned sequence = entry[0] & 0x1F;
                if (sequence < 1 || sequence > fatdir::kMaxLongNameEntries || afterLastPiece ||
                    (expected != 0 && sequence != expected) ||
                    (expected == 0 && (entry[0] & kLastPieceFlag) == 0 && at != 0)) {
                    return {};
                }
                expected = sequence - 1;
                afterLastPiece = sequence == 1;
            }
            ++valid;
            continue;
        }
        if (attributes > 63 || (expected != 0 && !deleted)) {
            return {};
        }
        // A deleted entry lost only its first byte; the rest of its name was valid.
        if (deleted ? std::any_of(entry + 1, entry + 11, IsForbiddenNameByte)
                    : !HasValidShortName(entry)) {
            return {};
        }
        const fatdir::Entry fixed(entry, fatdir::kEntrySize);
        if (clusterCount != 0 && fatdir::FirstCluster(fixed, fat32) > clusterCount) {
            return {};
        }
        expected = 0;
        afterLastPiece = false;
        ++valid;
    }
    if (result.endsDirectory && std::any_of(buffer.begin() + std::ptrdiff_t(at), buffer.end(),
                                            [](std::uint8_t byte) { return byte != 0; })) {
        return {};
    }
    result.isDirectory = valid > 0;
    return result;
}

} // namespace fatscan
