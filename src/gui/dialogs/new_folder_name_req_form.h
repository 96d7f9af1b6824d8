#pragma once
// The prompt for a new folder's name ("tusk::filechoose" 16, 17, 7). Ends with 1 and the
// name when Create is pressed (or Enter) with a name that can be a folder name, 0 when
// cancelled.

#include "gui/custom_form.h"

#include <string>

class cEditChild;

class cNewFolderNameReqForm : public cCustomForm {
public:
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 120;

    cNewFolderNameReqForm() : cCustomForm("tusk::filechoose") {}
    std::string FormName() const override { return "cNewFolderNameReqForm"; }
    std::u16string Caption() const override;

    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    bool OnKeyDown(int key, int modifiers) override;
    const std::u16string& Name() const { return name_; }
    // A single path component: not empty, not "." or "..", without '/' or NUL.
    static bool IsValidName(std::u16string_view name);

private:
    void Accept();
    cEditChild* edit_ = nullptr;
    std::u16string name_;
};
