#pragma once
// Partition type codes. A code is 16 bits: 0x00-0xFF are the MBR type bytes, 0x100 + n
// the BSD disklabel file-system type n, 0x120-0x129 the Apple map types, and higher codes
// GPT types, types found by search and the program's own node kinds.

#include <cstdint>
#include <string_view>

namespace part_type {
inline constexpr std::uint16_t kEmpty = 0x00;
inline constexpr std::uint16_t kFat12 = 0x01;
inline constexpr std::uint16_t kFat16 = 0x04;
inline constexpr std::uint16_t kExtended = 0x05;
inline constexpr std::uint16_t kNtfs = 0x07;
inline constexpr std::uint16_t kFat32 = 0x0B;
inline constexpr std::uint16_t kExtendedLba = 0x0F;
inline constexpr std::uint16_t kLdmLink = 0x42;
inline constexpr std::uint16_t kLinuxSwap = 0x82;
inline constexpr std::uint16_t kLinuxNative = 0x83;
inline constexpr std::uint16_t kExtendedLinux = 0x85;
inline constexpr std::uint16_t kLinuxLvm = 0x8E;
inline constexpr std::uint16_t kBsdSlice = 0xA5;
inline constexpr std::uint16_t kGptProtective = 0xEE;
inline constexpr std::uint16_t kEfiSystem = 0xEF;
inline constexpr std::uint16_t kLinuxRaid = 0xFD;
inline constexpr std::uint16_t kMbrOnGpt = 0xFF;
inline constexpr std::uint16_t kBsdBase = 0x100; // + the disklabel's file-system type
inline constexpr std::uint16_t kUnixSwap = 0x101;
inline constexpr std::uint16_t kUfs = 0x107;
inline constexpr std::uint16_t kApplePartitionMap = 0x120;
inline constexpr std::uint16_t kAppleDriver = 0x121;
inline constexpr std::uint16_t kAppleDriver43 = 0x122;
inline constexpr std::uint16_t kAppleMfs = 0x123;
inline constexpr std::uint16_t kAppleHfs = 0x124;
inline constexpr std::uint16_t kAppleUnix = 0x125;
inline constexpr std::uint16_t kAppleProDos = 0x126;
inline constexpr std::uint16_t kAppleFree = 0x127;
inline constexpr std::uint16_t kAppleScratch = 0x128;
inline constexpr std::uint16_t kAppleHfsx = 0x129;
inline constexpr std::uint16_t kBsdSwapOnGpt = 0x5F81;
inline constexpr std::uint16_t kGptMsReserved = 0x5F82;
inline constexpr std::uint16_t kGptBasic = 0x5F83;
inline constexpr std::uint16_t kLdmMetadataOnGpt = 0x5F84;
inline constexpr std::uint16_t kLvmPhysicalVolume = 0x5FA0;
inline constexpr std::uint16_t kSolarisBoot = 0x6110;
inline constexpr std::uint16_t kNovellNwfs = 0x6200;
inline constexpr std::uint16_t kWholeStorage = 0x7FFC; // the root node of a storage
inline constexpr std::uint16_t kUnknown = 0x7FFF; // a partition of a type the map does not name
} // namespace part_type

// The display name of a type code; "[unknown]" for any code without one.
std::u16string_view GetTypeName(std::uint16_t typeCode);
