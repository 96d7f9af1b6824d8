#pragma once
// Platform-neutral keyboard and mouse codes. Letters and digits are their upper-case
// ASCII codes; other keys live above the character range.

namespace key {
inline constexpr int kBackspace = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kEnter = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kLeft = 0x101;
inline constexpr int kRight = 0x102;
inline constexpr int kUp = 0x103;
inline constexpr int kDown = 0x104;
inline constexpr int kHome = 0x105;
inline constexpr int kEnd = 0x106;
inline constexpr int kPageUp = 0x107;
inline constexpr int kPageDown = 0x108;
inline constexpr int kDelete = 0x109;
inline constexpr int kInsert = 0x10A;
inline constexpr int kF1 = 0x110;
} // namespace key

namespace mods {
inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;
} // namespace mods

enum class eMouseButton { Left, Right };
