#include "app/explorer/search_forms.h"

#include "base/lang/text_registry.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/static_element.h"

namespace explorer {
namespace {

constexpr int kLabelWidth = 150;
constexpr int kRowHeight = 32;

} // namespace

std::u16string cSearchParamsForm::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cSearchParamsForm::OnCreate() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    const int x = 16 + kLabelWidth;
    Add<cStaticElement>(16, 18, kLabelWidth, 20, text(3));
    Add<cStaticElement>(x, 18, -17, 20, folder_);
    Add<cStaticElement>(16, 14 + kRowHeight + 4, kLabelWidth, 20, text(4));
    text_ = Add<cEditChild>(x, 14 + kRowHeight, -17, 26);
    Add<cStaticElement>(16, 14 + 2 * kRowHeight + 4, kLabelWidth, 20, text(5));
    condition_ =
        Add<cComboBoxChild>(x, 14 + 2 * kRowHeight, 140, 26,
                            std::vector<std::u16string>{text(6), text(7), text(8), text(9)}, 0);
    size_ = Add<cEditChild>(x + 148, 14 + 2 * kRowHeight, -17, 26, u"0");
    folders_ = Add<cCheckBoxChild>(x, 14 + 3 * kRowHeight + 2, -17, 22, text(10), 0);
    case_ = Add<cCheckBoxChild>(x, 14 + 3 * kRowHeight + 26, -17, 22, text(11), 0);
    AddChild(cButtonChild::FromSection(1, kCommandSearch, true), kWidth - 224, kHeight - 42, 100,
             30);
    AddChild(cButtonChild::FromSection(2, kCommandCancel), kWidth - 116, kHeight - 42, 100, 30);
}

std::optional<cSearchParams> cSearchParamsForm::Params() const {
    cSearchParams params;
    const std::u16string& typed = text_->Text();
    params.pattern = typed.empty() ? u"*" : u"*" + typed + u"*";
    params.sizeCondition = static_cast<cSearchParams::eSize>(std::max(condition_->Selected(), 0));
    params.includeFolders = folders_->IsChecked();
    params.caseSensitive = case_->IsChecked();
    if (params.sizeCondition != cSearchParams::eSize::Any) {
        const std::string digits = utf::ToUtf8(size_->Text());
        if (digits.empty() || digits.size() > 19 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        params.size = std::stoull(digits);
    }
    return params;
}

bool cSearchParamsForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate) {
        return false;
    }
    if (item == kCommandSearch) {
        if (Params()) {
            EndForm(1);
        } else {
            size_->Select(0, size_->Text().size());
        }
        return true;
    }
    if (item == kCommandCancel) {
        EndForm(0);
        return true;
    }
    return false;
}

bool cSearchHits::OnFound(const cFSObject& object, const std::u16string& path) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (hits_.size() >= kMaxHits) {
        return false;
    }
    hits_.push_back(object.Clone());
    return true;
}

std::vector<std::unique_ptr<cFSObject>> cSearchHits::Take() {
    const std::lock_guard<std::mutex> hold(lock_);
    return std::move(hits_);
}

cFileSearchForm::cFileSearchForm(cVFS& fs, const cFSObject& start, cSearchParams params,
                                 cSearchFoundNotifyTarget& target)
    : fs_(fs), start_(start.Clone()), params_(std::move(params)), target_(target) {}

cFileSearchForm::~cFileSearchForm() {
    Stop(); // Run uses the members, which go with this object
}

std::u16string cFileSearchForm::Caption() const {
    return std::u16string(lang::Registry().Text("qorns::explorer", 151).value_or(u""));
}

unsigned cFileSearchForm::Run() {
    return static_cast<unsigned>(SearchFiles(
        fs_, *start_, params_,
        [this](const cFSObject& object, const std::u16string& path) {
            return target_.OnFound(object, path);
        },
        [this] { return IsStopRequested(); }));
}

} // namespace explorer
