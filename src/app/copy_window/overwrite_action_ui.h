#pragma once
// The question asked when a copied file would land on an existing one: replace it, keep
// it (and skip the new file), or keep both with the new one renamed; and whether the
// answer holds for every later conflict of the run. Closing the window without a button
// keeps the existing file.

#include "app/copy/copy_front.h"
#include "gui/custom_form.h"

class cCheckBoxChild;

class cCopyFilesOverwriteActionUI : public cCustomForm {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 200;
    static constexpr int kCommandReplace = 1;
    static constexpr int kCommandKeep = 2;
    static constexpr int kCommandRename = 3;
    static constexpr int kCommandApplyToAll = 4;

    cCopyFilesOverwriteActionUI();
    std::string FormName() const override { return "cCopyFilesOverwriteActionUI"; }
    std::u16string Caption() const override;

    const cConflictReply& Reply() const { return reply_; }
    // The width that shows the whole of the longest answer, at least kWidth.
    int PreferredWidth();

    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;

private:
    cConflictReply reply_;
    cCheckBoxChild* applyToAll_ = nullptr;
};
