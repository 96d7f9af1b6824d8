#include "app/explorer/settings_sheet.h"

#include "app/explorer/quick_view_folder.h"
#include "base/lang/builtin_packs.h"
#include "base/settings.h"
#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/static_element.h"
#include "gui/message_form.h"
#include "gui/views/prop_sheet_child.h"

namespace explorer {
namespace {

using eLanguage = lang::eLanguage;

// The list entry of the stored choice; no choice, or one naming no pack, is the locale's.
int StoredEntry() {
    const std::optional<std::u16string> stored = Settings().GetText(kSettingLanguage);
    const std::optional<eLanguage> chosen = stored ? lang::LanguageFromCode(*stored) : std::nullopt;
    if (!chosen) {
        return cProgramSettingsForm::kLanguageFromLocale;
    }
    return *chosen == eLanguage::Russian ? cProgramSettingsForm::kLanguageRussian
                                         : cProgramSettingsForm::kLanguageEnglish;
}

} // namespace

std::u16string cProgramSettingsForm::Caption() const {
    return std::u16string(Text(164).value_or(u""));
}

void cProgramSettingsForm::OnCreate() {
    sheet_ = Add<cPropSheetChild>(8, 8, -9, -85);
    Add<cStaticElement>(10, kHeight - 72, 150, 20, std::u16string(Text(179).value_or(u"")));
    language_ =
        Add<cComboBoxChild>(160, kHeight - 76, kWidth - 168, 26,
                            std::vector<std::u16string>{std::u16string(Text(191).value_or(u"")),
                                                        lang::PackLanguageName(eLanguage::English),
                                                        lang::PackLanguageName(eLanguage::Russian)},
                            StoredEntry());
    AddChild(cButtonChild::FromSection(165, kCommandChange), 8, kHeight - 38, 140, 30);
    AddChild(std::make_unique<cButtonChild>(u"OK", kCommandClose, true), kWidth - 108, kHeight - 38,
             100, 30);
    ShowValues();
}

void cProgramSettingsForm::ShowValues() {
    cPropDispAreaChild& area = sheet_->Area();
    area.Clear();
    area.AddSection(std::u16string(Text(166).value_or(u"")));
    area.AddRow(kRowFolder, std::u16string(Text(160).value_or(u"")), QuickViewFolderText(*this),
                std::u16string(Text(161).value_or(u"")), true);
    area.AddSection(std::u16string(Text(167).value_or(u"")));
    area.AddRow(kRowLanguage, std::u16string(Text(179).value_or(u"")),
                TextRegistry().LanguageName(), std::u16string(Text(180).value_or(u"")));
}

void cProgramSettingsForm::ChooseLanguage(int entry) {
    std::u16string code;
    if (entry == kLanguageEnglish || entry == kLanguageRussian) {
        code =
            lang::LanguageCode(entry == kLanguageRussian ? eLanguage::Russian : eLanguage::English);
    }
    Settings().SetText(kSettingLanguage, code, true);
    // The forms took their texts when they were made; the new ones come with the next start.
    MessageBoxInformation(this, std::u16string(Text(192).value_or(u"")));
}

bool cProgramSettingsForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kActionPropSheet && item == kRowFolder) {
        if (const auto* row = sheet_->Area().RowById(kRowFolder)) {
            SetQuickViewFolder(row->value);
        }
        ShowValues();
        return true;
    }
    if (kind == kActionSelChange && source == language_) {
        ChooseLanguage(item);
        return true;
    }
    if (kind == kActionActivate && item == kCommandChange) {
        ChooseQuickViewFolder(*this);
        ShowValues();
        return true;
    }
    if (kind == kActionActivate && item == kCommandClose) {
        EndForm(1);
        return true;
    }
    return false;
}

} // namespace explorer
