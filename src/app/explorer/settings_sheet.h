#pragma once
// "Настройки программы": the program's settings as a property sheet. There is one so far,
// the folder for quick-view copies, edited in place or chosen with "Изменить...".

#include "gui/custom_form.h"

class cPropSheetChild;

namespace explorer {

class cProgramSettingsForm : public cCustomForm {
public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 240;
    static constexpr int kRowFolder = 160;
    static constexpr int kCommandChange = 1;
    static constexpr int kCommandClose = 2;

    cProgramSettingsForm() : cCustomForm("qorns::explorer") {}
    std::string FormName() const override { return "cProgramSettingsForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    cPropSheetChild& Sheet() { return *sheet_; }

private:
    void ShowValues();
    cPropSheetChild* sheet_ = nullptr;
};

} // namespace explorer
