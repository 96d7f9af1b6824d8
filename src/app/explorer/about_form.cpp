#include "app/explorer/about_form.h"

#include "app/copy/copy_report.h"
#include "app/explorer/explorer_texts.h"
#include "base/format_text.h"
#include "gui/controls/button_child.h"
#include "gui/controls/static_element.h"

namespace explorer {

std::u16string cAboutForm::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cAboutForm::OnCreate() {
    auto* title = Add<cStaticElement>(20, 18, -21, 22, std::u16string(Text(1).value_or(u"")));
    title->SetFont(StandardFont(eStdFont::Bold));
    Add<cStaticElement>(20, 42, -21, 20, FormatText(Text(2).value_or(u""), {copyreport::kVersion}));
    // Room for three lines each, as the Russian texts take.
    Add<cStaticElement>(20, 70, -21, 54, std::u16string(Text(3).value_or(u"")))->SetWrap(true);
    Add<cStaticElement>(20, 128, -21, 54, std::u16string(Text(4).value_or(u"")))->SetWrap(true);
    AddChild(cButtonChild::FromSection(5, kCommandClose, true), kWidth - 120, kHeight - 44, 100,
             30);
}

bool cAboutForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kActionActivate && item == kCommandClose) {
        EndForm(1);
        return true;
    }
    return false;
}

} // namespace explorer
