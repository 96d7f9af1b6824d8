#include "app/explorer/obj_props_ui.h"

#include "app/explorer/folder_rows.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/views/prop_sheet_child.h"

namespace explorer {

std::u16string cObjPropsUI::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cObjPropsUI::OnCreate() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    sheet_ = Add<cPropSheetChild>(8, 8, -9, -47);
    cPropDispAreaChild& area = sheet_->Area();
    area.AddSection(text(2));
    area.AddRow(3, text(3), object_->name, text(4));
    area.AddRow(5, text(5), text(RowType(*object_) == fskind::kFolder ? 8 : 7), text(6));
    area.AddRow(9, text(9), utf::FromAscii(std::to_string(object_->id)), text(10));
    area.AddRow(11, text(11), utf::FromAscii(std::to_string(object_->size)), text(12));
    area.AddRow(13, text(13), DateCell(object_->mtime), text(14));
    AddChild(cButtonChild::FromSection(1, kCommandClose, true), kWidth - 108, kHeight - 38, 100,
             30);
}

bool cObjPropsUI::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kActionActivate && item == kCommandClose) {
        EndForm(1);
        return true;
    }
    return false;
}

} // namespace explorer
