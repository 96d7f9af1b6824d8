#include "app/explorer/settings_sheet.h"

#include "app/explorer/quick_view_folder.h"
#include "gui/controls/button_child.h"
#include "gui/views/prop_sheet_child.h"

namespace explorer {

std::u16string cProgramSettingsForm::Caption() const {
    return std::u16string(Text(164).value_or(u""));
}

void cProgramSettingsForm::OnCreate() {
    sheet_ = Add<cPropSheetChild>(8, 8, -9, -49);
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
}

bool cProgramSettingsForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kActionPropSheet && item == kRowFolder) {
        if (const auto* row = sheet_->Area().RowById(kRowFolder)) {
            SetQuickViewFolder(row->value);
        }
        ShowValues();
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
