#pragma once
// What the file and folder choosers share: the top row with the path bar (a navigation
// view over a cFileChooseListFolder), "up one level" and "new folder", the listing of the
// current folder on the provider's worker, and the new-folder prompt. Each chooser
// shows the listing its own way (ShowListing) and adds its own controls below.

#include "gui/custom_form.h"
#include "gui/dialogs/file_choose_list_folder.h"

#include <string>
#include <vector>

class cNavigationChild;

struct cChooserTexts {
    int pathLabel;
    int up;
    int newFolder;
    int cannotCreate;
    int cannotRead; // -1: the section has none
};

class cChooserForm : public cCustomForm {
public:
    static constexpr int kCommandUp = 101;
    static constexpr int kCommandNewFolder = 102;
    static constexpr int kCommandAccept = 103;
    static constexpr int kCommandCancel = 104;

    ~cChooserForm() override;

    // The folder shown (empty: the machine's roots).
    const std::u16string& CurrentFolder() const { return folder_; }
    bool IsListing();
    // Lists `folder`; false when it is no folder or a listing is running.
    bool Go(const std::u16string& folder);
    cNavigationChild& Navigation() { return *navi_; }
    cFileChooseListFolder& Provider() { return provider_; }
    // The tiny folder and file pictures of the listings (icons 0 and 1).
    static std::vector<cBitmap> Icons();

    bool OnCommand(cChildElement* source, int kind, int item) override;

protected:
    cChooserForm(const cLocalFolders& folders, std::string section, cChooserTexts texts,
                 std::u16string initialFolder);
    const cLocalFolders& Folders() const { return provider_.Folders(); }
    // Builds the top row; returns the y below it. Call from OnCreate, then Go(Initial()).
    int BuildTop();
    const std::u16string& InitialFolder() const { return initial_; }
    virtual void ShowListing(std::vector<cFileChooseListFolder::cEntry> entries) = 0;
    void NewFolder();

private:
    cChooserTexts texts_;
    std::u16string initial_;
    std::u16string folder_;
    cFileChooseListFolder provider_;
    cNavigationChild* navi_ = nullptr;
};
