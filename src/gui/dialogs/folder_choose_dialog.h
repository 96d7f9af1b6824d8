#pragma once
// The folder chooser ("tusk::folderchoose"): the sub-folders of the current folder in a
// simple list. A double click (or Enter) goes into a folder; OK chooses the selected
// sub-folder, or the current folder when none is selected; a path typed into the path
// bar is gone to when it is a folder and refused with a message when not. The run ends
// with 1 and Chosen() set, or 0.

#include "gui/dialogs/chooser_form.h"

class cSimpleListViewElement;

class cFolderChooseDialog : public cChooserForm {
public:
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 420;

    explicit cFolderChooseDialog(const cLocalFolders& folders, std::u16string initialFolder = {},
                                 std::u16string title = {});
    std::string FormName() const override { return "cFolderChooseDialog"; }
    std::u16string Caption() const override;

    const std::u16string& Chosen() const { return chosen_; }
    cSimpleListViewElement& List() { return *list_; }
    void Accept();

    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    bool OnKeyDown(int key, int modifiers) override;

protected:
    void ShowListing(std::vector<cFileChooseListFolder::cEntry> entries) override;

private:
    std::u16string FolderAt(int row) const;

    std::u16string title_;
    std::vector<std::u16string> folders_;
    std::u16string chosen_;
    cSimpleListViewElement* list_ = nullptr;
};
