#pragma once
// Texts of the copy flow, fetched from the loaded language packs by number.

#include <string>
#include <string_view>

namespace copytext {

inline constexpr std::string_view kSection = "qorns::copyfiles";
inline constexpr std::string_view kConflictSection = "qorns::overwritereq";

inline constexpr int kProcessing = 7;     // "Обработка %s..."
inline constexpr int kObjectFailed = 16;  // "Ошибка обработки %s: %s"
inline constexpr int kFinished = 17;      // "Завершена."
inline constexpr int kReportHeading = 19; // followed by the version
inline constexpr int kReportObjects = 20;
inline constexpr int kReportFile = 21;
inline constexpr int kReportFolder = 22;
inline constexpr int kReportTarget = 23;
inline constexpr int kReportLog = 24;
inline constexpr int kRoomQuestion = 26; // needed and free bytes; asks whether to go on
inline constexpr int kRoomNeeded = 28;   // needed and free bytes, beside the reason

// The text, or an empty one when no pack carries it.
std::u16string Text(int number, std::string_view section = kSection);

} // namespace copytext
