#pragma once
// "Настройки программы": the program's settings as a property sheet: the folder for
// quick-view copies, edited in place or chosen with "Изменить...", and the interface
// language, picked from the list under the sheet and used from the next start.

#include "gui/custom_form.h"

class cComboBoxChild;
class cPropSheetChild;

namespace explorer {

class cProgramSettingsForm : public cCustomForm {
public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 276;
    static constexpr int kRowFolder = 160;
    static constexpr int kRowLanguage = 179;
    static constexpr int kCommandChange = 1;
    static constexpr int kCommandClose = 2;
    // The language list: the locale's choice first, then each pack by its own name.
    static constexpr int kLanguageFromLocale = 0;
    static constexpr int kLanguageEnglish = 1;
    static constexpr int kLanguageRussian = 2;

    cProgramSettingsForm() : cCustomForm("qorns::explorer") {}
    std::string FormName() const override { return "cProgramSettingsForm"; }
    std::u16string Caption() const override;
    void OnCreate() override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    cPropSheetChild& Sheet() { return *sheet_; }
    cComboBoxChild& LanguageList() { return *language_; }

private:
    void ShowValues();
    void ChooseLanguage(int entry);
    cPropSheetChild* sheet_ = nullptr;
    cComboBoxChild* language_ = nullptr;
};

} // namespace explorer
