#pragma once
// Results of copying one object out, and the log texts that name them.

#include <optional>

namespace copyresult {

inline constexpr unsigned kDone = 0; // copied, or skipped by the conflict choice
inline constexpr unsigned kNoFileSystem = 1;
inline constexpr unsigned kCannotOpenSource = 2;
inline constexpr unsigned kCannotReadSource = 3;
inline constexpr unsigned kCannotWriteTarget = 4;
inline constexpr unsigned kStopped = 5;
inline constexpr unsigned kOutOfMemory = 6; // logged without a reason of its own
inline constexpr unsigned kCannotCreateTarget = 7;
inline constexpr unsigned kCannotCreateFolder = 8;
inline constexpr unsigned kNoRoom = 9;   // the target's file system is too full for the copy
inline constexpr unsigned kDamaged = 10; // copied as far as the damaged source reads

// The number of the reason text in "qorns::copyfiles"; none for kDone and for codes
// without a text of their own (those are logged with an empty reason).
std::optional<int> ReasonText(unsigned result);

} // namespace copyresult
