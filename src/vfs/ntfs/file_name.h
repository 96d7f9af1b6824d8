#pragma once
// The $FILE_NAME attribute value, also the key of every "$I30" index entry.

#include "base/bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ntfs {

struct FileName {
    std::uint64_t parentRecord = 0;
    std::uint64_t modificationTime = 0; // 100 ns units since 1601
    std::uint64_t realSize = 0;
    std::uint32_t flags = 0;
    std::uint8_t nameSpace = 0;
    std::u16string name;

    bool IsDirectory() const;
    bool IsWin32() const { return (nameSpace & 1) != 0; } // Win32, or Win32 and DOS
    bool IsDosOnly() const;
};

// Fails when the value is shorter than the fixed part or its name.
std::optional<FileName> ParseFileName(bytes::Span value);

} // namespace ntfs
