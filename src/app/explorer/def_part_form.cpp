#include "app/explorer/def_part_form.h"

#include "app/fs_tools/def_part.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"
#include "gui/message_form.h"
#include "io/storage_list.h"
#include "vfs/fs_types.h"

namespace explorer {
namespace {

constexpr int kLabelWidth = 180;
constexpr int kRowHeight = 32;

} // namespace

cDefPartForm::cDefPartForm(cStorageList& list, cPartTree& tree)
    : cCustomForm("qorns::defpart"), list_(list), tree_(tree) {}

std::u16string cDefPartForm::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cDefPartForm::OnCreate() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    cEditChild** fields[] = {&type_, &label_, &start_, &size_};
    for (int row = 0; row < 4; ++row) {
        const int y = 14 + row * kRowHeight;
        Add<cStaticElement>(16, y + 4, kLabelWidth, 20, text(3 + row));
        *fields[row] = Add<cEditChild>(16 + kLabelWidth, y, -17, 26);
    }
    type_->SetReadOnly(true);
    label_->SetReadOnly(true);
    const cPartTreeItem* root = tree_.First();
    const std::uint64_t sectors = root && root->Storage() ? root->Storage()->GetSectorCount() : 0;
    start_->SetText(u"0");
    size_->SetText(utf::FromAscii(std::to_string(sectors)));
    AddChild(cButtonChild::FromSection(1, kCommandDefine, true), kWidth - 224, kHeight - 42, 100,
             30);
    AddChild(cButtonChild::FromSection(2, kCommandCancel), kWidth - 116, kHeight - 42, 100, 30);
}

std::optional<std::uint64_t> cDefPartForm::Field(const cEditChild& field) const {
    const std::string digits = utf::ToUtf8(field.Text());
    if (digits.empty() || digits.size() > 19 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(digits);
}

void cDefPartForm::Define() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    cPartTreeItem* root = tree_.First();
    const std::optional<std::uint64_t> start = Field(*start_);
    std::optional<std::uint64_t> size = Field(*size_);
    if (!root || !root->Storage() || !start || !size || *size == 0 ||
        *start >= root->Storage()->GetSectorCount()) {
        // The wrong number is shown selected, for the user to type over.
        cEditChild& wrong = start && *start < root->Storage()->GetSectorCount() ? *size_ : *start_;
        wrong.Select(0, wrong.Text().size());
        return;
    }
    const defpart::cFound found = defpart::Probe(*root->Storage(), *start, *size);
    if (found.fsType == 0) {
        type_->SetText(text(10));
        label_->SetText({});
        if (!MessageBoxQuestion(this, text(7))) {
            return;
        }
    } else {
        type_->SetText(utf::FromAscii(fstype::Name(found.fsType)));
        label_->SetText(found.label);
        if (found.pastStorageEnd) {
            MessageBoxWarning(this, text(9));
        }
        if (found.fsSectors != 0 && found.fsSectors != *size && MessageBoxQuestion(this, text(8))) {
            size = found.fsSectors;
            size_->SetText(utf::FromAscii(std::to_string(*size)));
        }
    }
    defined_ = defpart::Define(tree_, *start, *size);
    if (defined_) {
        list_.SetChanged(true);
        EndForm(1);
    }
}

bool cDefPartForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    if (item == kCommandDefine) {
        Define();
        return true;
    }
    if (item == kCommandCancel) {
        EndForm(0);
        return true;
    }
    return false;
}

} // namespace explorer
