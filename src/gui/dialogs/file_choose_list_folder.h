#pragma once
// The choosers' folder lister: a navigation provider over the computer's folders. The
// empty path stands for the top of the machine and lists its roots (the file-system
// root and the home folder); any other path must name an existing folder. What a
// listing found is kept until the window thread takes it, after the done action.

#include "gui/dialogs/local_folders.h"
#include "gui/navigation/navigation_provider.h"

#include <cstdint>
#include <string>
#include <vector>

class cFileChooseListFolder : public cNavigationProvider {
public:
    static constexpr int kListed = 0;
    static constexpr int kUnreadable = 1;

    using cEntry = cLocalFolders::cEntry;

    explicit cFileChooseListFolder(const cLocalFolders& folders) : folders_(folders) {}
    ~cFileChooseListFolder() override { Stop(); }

    const cLocalFolders& Folders() const { return folders_; }

    bool IsValidPath(std::u16string_view path) override;
    // Window thread: the entries of the last listing (moved out) and its path.
    std::vector<cEntry> TakeListing();
    std::u16string ListedPath();

protected:
    int List(const std::u16string& path) override;

private:
    const cLocalFolders& folders_;
    cCriticalSection lock_;
    std::vector<cEntry> entries_;
    std::u16string listedPath_;
};

// Paths of the choosers: '/'-separated, no trailing separator except the root's.
namespace chooser_path {
std::u16string Join(std::u16string_view folder, std::u16string_view name);
// The folder holding `path`; the root for top-level entries, empty above the root.
std::u16string Parent(std::u16string_view path);
// The last component.
std::u16string_view Name(std::u16string_view path);
} // namespace chooser_path
