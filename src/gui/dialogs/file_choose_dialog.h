#pragma once
// The file chooser ("tusk::filechoose"), in open and save modes. It lists the current
// folder with its sub-folders first and then the files that match the chosen filter; a
// double click opens a folder or accepts a file; a typed name may be a file in the
// current folder, an absolute path, or a folder to go to. Open mode accepts only files
// that exist; save mode adds the default extension to a name without one and asks
// before replacing a file. The run ends with 1 and Chosen() set, or 0.
//
// The explorer's filters look like {"Образы диска и виртуальные диски",
// "*.img;*.dd;*.flp;*.vmdk;*.vhd;*.vfd;*.hdd"} and {"Все файлы", "*"}.

#include "gui/dialogs/chooser_form.h"

#include <string>
#include <vector>

class cComboBoxChild;
class cEditChild;
class cListViewChild;

struct cFileFilter {
    std::u16string name;
    std::u16string patterns; // ';'-separated, as "*.img;*.dd"
};

class cFileChooseDialog : public cChooserForm {
public:
    static constexpr int kWidth = 680;
    static constexpr int kHeight = 460;
    enum class eMode { Open, Save };

    struct cOptions {
        eMode mode = eMode::Open;
        std::vector<cFileFilter> filters;
        std::u16string defaultExtension; // without the dot
        std::u16string proposedName;
        std::u16string initialFolder;
        // Replaces the window title (texts 0 and 1) when not empty.
        std::u16string title;
    };

    cFileChooseDialog(const cLocalFolders& folders, cOptions options);
    std::string FormName() const override { return "cFileChooseDialog"; }
    std::u16string Caption() const override;

    const std::u16string& Chosen() const { return chosen_; }
    cListViewChild& List() { return *list_; }
    // Chooses filter `index` and lists again with it.
    void SetFilter(int index);
    // Accepts what the name field says, as the accept button does.
    void Accept();
    void SetName(std::u16string name);
    // Whether `name` passes filter `filter` (every pattern is tried; no filters: all).
    bool Matches(std::u16string_view name, int filter) const;

    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    bool OnKeyDown(int key, int modifiers) override;

protected:
    void ShowListing(std::vector<cFileChooseListFolder::cEntry> entries) override;

private:
    void Refill();
    void Activate(int row);

    cOptions options_;
    std::vector<cFileChooseListFolder::cEntry> entries_;
    int filter_ = 0;
    std::u16string chosen_;
    cListViewChild* list_ = nullptr;
    cEditChild* name_ = nullptr;
    cComboBoxChild* types_ = nullptr;
};
