#pragma once
// File-system type codes: what GetFSType answers and what heads every identity record.
// Several codes are names only, kept so that saved results naming them still show a text.

#include <cstdint>
#include <string_view>

namespace fstype {
inline constexpr std::uint32_t kNtfs = 1;
inline constexpr std::uint32_t kExt = 2;
inline constexpr std::uint32_t kUfs = 3;
inline constexpr std::uint32_t kUfsBigEndian = 4;
inline constexpr std::uint32_t kSnapUfs = 5;
inline constexpr std::uint32_t kFat = 6;
inline constexpr std::uint32_t kFat32 = 7;
inline constexpr std::uint32_t kXfs = 8;
inline constexpr std::uint32_t kHfs = 9;
inline constexpr std::uint32_t kHfsPlus = 10;
inline constexpr std::uint32_t kIso9660 = 11;
inline constexpr std::uint32_t kNwfs = 12;
inline constexpr std::uint32_t kReiser = 13;
inline constexpr std::uint32_t kUdf = 14;
inline constexpr std::uint32_t kVmfs3 = 15;
inline constexpr std::uint32_t kGfs = 16;
inline constexpr std::uint32_t kReconstructed = 17;
inline constexpr std::uint32_t kZfs = 18;
inline constexpr std::uint32_t kKvbDistributed = 19;
inline constexpr std::uint32_t kJfs = 20;
inline constexpr std::uint32_t kJfs1 = 21;
inline constexpr std::uint32_t kBtrfs = 22;
inline constexpr std::uint32_t kExfat = 23;

// The display name of a type code; "Unknown" for any code without one.
std::string_view Name(std::uint32_t code);
} // namespace fstype
