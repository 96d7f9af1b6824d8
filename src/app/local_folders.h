#pragma once
// The computer's folders for the file and folder choosers, over the platform layer: what
// the program's windows hand to every chooser they open.

#include "gui/dialogs/local_folders.h"

class cPlatformFolders final : public cLocalFolders {
public:
    std::optional<std::u16string> HomeFolder() const override;
    bool IsFolder(const std::u16string& path) const override;
    bool Exists(const std::u16string& path) const override;
    std::optional<std::vector<cEntry>> List(const std::u16string& path) const override;
    bool CreateFolder(const std::u16string& path) const override;
};

// The one instance; it holds no state.
const cLocalFolders& LocalFolders();
