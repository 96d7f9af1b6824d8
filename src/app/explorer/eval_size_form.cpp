#include "app/explorer/eval_size_form.h"

#include "base/format_text.h"
#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/static_element.h"

namespace explorer {
namespace {

constexpr int kActionChanged = 1;
constexpr int kActionEnded = 2;
constexpr int kLabelX = 16;
constexpr int kValueX = 260;
constexpr int kRowHeight = 22;

std::u16string Number(std::uint64_t value) {
    return utf::FromAscii(std::to_string(value));
}

} // namespace

cEvalDataSizeForm::cEvalDataSizeForm(cVFS& fs, std::vector<std::unique_ptr<cFSObject>> selection)
    : cCustomForm("qorns::evalsize"),
      job_(std::make_unique<cEvalSizeJob>(fs, std::move(selection))) {}

cEvalDataSizeForm::~cEvalDataSizeForm() {
    job_->Stop();
}

std::u16string cEvalDataSizeForm::Caption() const {
    return std::u16string(Text(0).value_or(u""));
}

void cEvalDataSizeForm::OnCreate() {
    const auto text = [this](int number) { return std::u16string(Text(number).value_or(u"")); };
    int y = 14;
    const auto addRow = [&](std::u16string label, std::size_t row) {
        Add<cStaticElement>(kLabelX, y, kValueX - kLabelX - 8, kRowHeight - 2, std::move(label));
        values_[row] = Add<cStaticElement>(kValueX, y, -17, kRowHeight - 2);
        y += kRowHeight;
    };
    addRow(text(1), 0);
    addRow(text(2), 1);
    y += 6;
    // Two lines: the Russian heading is longer than the window is wide.
    Add<cStaticElement>(kLabelX, y, -17, 2 * kRowHeight - 4, text(3))->SetWrap(true);
    y += 2 * kRowHeight - 2;
    for (std::size_t i = 0; i < cEvalSizeCounters::kBlockSizes.size(); ++i) {
        addRow(FormatText(text(4), {std::uint64_t(cEvalSizeCounters::kBlockSizes[i])}), 2 + i);
    }
    stop_ = static_cast<cButtonChild*>(AddChild(cButtonChild::FromSection(5, kCommandStop, true),
                                                kWidth - 118, kHeight - 42, 100, 30));
    // Posted, not sent: the job must never wait for a window that may be going away.
    job_->Watch(
        [this](bool ended) {
            PostChildAction(*this,
                            std::make_unique<cChildAction>(ended ? kActionEnded : kActionChanged));
        },
        cEvalSizeJob::kRedrawMs);
    ShowCounters();
    running_ = job_->Start();
    if (!running_) {
        stop_->SetCaption(text(6));
    }
}

std::u16string cEvalDataSizeForm::ValueText(std::size_t row) const {
    return values_[row] ? std::u16string(values_[row]->ShownText()) : std::u16string();
}

void cEvalDataSizeForm::ShowCounters() {
    const cEvalSizeCounters counters = job_->Counters();
    values_[0]->SetText(Number(counters.files));
    values_[1]->SetText(Number(counters.bytes));
    for (std::size_t i = 0; i < counters.blocks.size(); ++i) {
        values_[2 + i]->SetText(Number(counters.blocks[i] * cEvalSizeCounters::kBlockSizes[i]));
    }
}

void cEvalDataSizeForm::OnAction(cChildAction& action) {
    if (action.Kind() == kActionChanged) {
        ShowCounters();
    } else if (action.Kind() == kActionEnded) {
        running_ = false;
        ShowCounters();
        stop_->SetCaption(std::u16string(Text(6).value_or(u"")));
    } else {
        cCustomForm::OnAction(action);
    }
}

void cEvalDataSizeForm::OnCloseRequest() {
    if (running_) {
        job_->RequestStop();
    } else {
        EndForm(1);
    }
}

bool cEvalDataSizeForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind == kActionActivate && item == kCommandStop) {
        OnCloseRequest();
        return true;
    }
    return false;
}

} // namespace explorer
