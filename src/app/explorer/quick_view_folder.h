#pragma once
// The folder quick view copies files into before opening them (settings key 2): shared by
// the quick-view command and the program-settings sheet.

#include <optional>
#include <string>

class cChildElement;

namespace explorer {

// The stored folder when it names an existing folder.
std::optional<std::u16string> QuickViewFolder();
// Lets the user pick the folder with the folder chooser until they confirm the warning
// about writing to the disk being recovered; stores it. None when they cancel.
std::optional<std::u16string> ChooseQuickViewFolder(cChildElement& asker);
// Stores a folder the user typed; no when it is not an existing folder.
bool SetQuickViewFolder(const std::u16string& folder);
// What the settings sheet shows: the folder, "Не указан" (163) or "Неверная папка" (162).
std::u16string QuickViewFolderText(const cChildElement& texts);

} // namespace explorer
