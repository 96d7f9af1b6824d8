#include "gui/basic_progress_form.h"

#include "base/format_text.h"
#include "base/lang/text_registry.h"
#include "gui/controls/button_child.h"
#include "gui/controls/progress_child.h"
#include "gui/controls/static_element.h"

#include <chrono>
#include <cmath>

namespace {
constexpr int kActionProgressView = 20;
constexpr int kActionEndForm = 21;

std::uint64_t SteadyMilliseconds() {
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
}

class cEndFormAction : public cChildAction {
public:
    explicit cEndFormAction(unsigned result) : cChildAction(kActionEndForm), result_(result) {}
    unsigned Result() const { return result_; }

private:
    unsigned result_;
};
} // namespace

class cBasicProgressForm::cViewAction : public cChildAction {
public:
    cViewAction(int viewBar, std::u16string viewStatus)
        : cChildAction(kActionProgressView), bar(viewBar), status(std::move(viewStatus)) {}
    int bar;
    std::u16string status;
};

cBasicProgressForm::cBasicProgressForm(std::map<int, int> stageTexts, std::string textSection,
                                       std::string stageSection)
    : cCustomForm(std::move(textSection)), stageTexts_(std::move(stageTexts)),
      stageSection_(std::move(stageSection)), clock_(SteadyMilliseconds) {}

cBasicProgressForm::~cBasicProgressForm() {
    // The worker reports to this form; it must end before any of the form goes.
    Stop();
}

std::u16string cBasicProgressForm::Pattern(int textId) const {
    return std::u16string(Text(textId).value_or(u""));
}

void cBasicProgressForm::OnCreate() {
    for (const auto& [stage, text_id] : stageTexts_) {
        if (auto name = stageSection_.empty() ? Text(text_id)
                                              : lang::Registry().Text(stageSection_, text_id)) {
            stageNames_[stage] = std::u16string(*name);
        }
    }
    defaultStage_ = Pattern(kTextDefaultStage);
    knownPattern_ = Pattern(kTextKnownStatus);
    unknownPattern_ = Pattern(kTextUnknownStatus);
    // Two lines: the status with both times is longer than the form is wide.
    const bool isShort = Rect().h < kShortHeight;
    status_ = Add<cStaticElement>(20, isShort ? 10 : 16, -21, 36);
    status_->SetWrap(true);
    // A short form keeps the button's width free at the bar's right.
    bar_ = Add<cProgressChild>(20, isShort ? Rect().h - 20 - 20 : 60,
                               isShort ? -(21 + 120 + 16) : -21, 10, 0, 1000);
    Add<cButtonChild>(0, 0, 0, 0, Pattern(kTextStop), kCommandStop);
    Children().back()->Place(Rect().w - 20 - 120, Rect().h - (isShort ? 12 : 20) - 30, 120, 30);
    {
        std::lock_guard lock(lock_);
        stage_ = Pattern(kTextInitialising);
        status_->SetText(stage_);
    }
    {
        std::lock_guard lock(lock_);
        meter_.Restart(Now());
    }
    Start();
}

std::u16string cBasicProgressForm::StatusText() const {
    return status_ ? std::u16string(status_->ShownText()) : u"";
}

int cBasicProgressForm::BarPosition() const {
    return bar_ ? bar_->Position() : 0;
}

void cBasicProgressForm::Post(int bar, std::u16string status) {
    if (status.size() > kMaxStatusLength) {
        status.resize(kMaxStatusLength);
    }
    PostChildAction(*this, std::make_unique<cViewAction>(bar, std::move(status)));
}

bool cBasicProgressForm::OnProgress(double percent) {
    std::unique_lock lock(lock_);
    if (auto reading = meter_.Accept(percent, Now())) {
        const cClockTime spent = SplitMilliseconds(reading->elapsedMs);
        std::u16string status;
        if (KnowsPercentage() && reading->remainingMs) {
            const cClockTime left = SplitMilliseconds(*reading->remainingMs);
            status = FormatText(knownPattern_, {std::u16string_view(stage_), reading->shownPercent,
                                                spent.hours, spent.minutes, spent.seconds,
                                                left.hours, left.minutes, left.seconds});
        } else {
            status = FormatText(unknownPattern_, {std::u16string_view(stage_), spent.hours,
                                                  spent.minutes, spent.seconds});
        }
        lock.unlock();
        Post(reading->barPosition, std::move(status));
    }
    return !IsStopRequested();
}

void cBasicProgressForm::SetStage(int stageId) {
    std::unique_lock lock(lock_);
    const auto found = stageNames_.find(stageId);
    stage_ = found != stageNames_.end() ? found->second : defaultStage_;
    meter_.Restart(Now());
    std::u16string status = stage_;
    lock.unlock();
    Post(0, std::move(status));
}

void cBasicProgressForm::OnFinish(unsigned result) {
    PostChildAction(*this, std::make_unique<cEndFormAction>(result));
}

bool cBasicProgressForm::OnCommand(cChildElement* source, int kind, int item) {
    if (kind != kActionActivate || item != kCommandStop) {
        return false;
    }
    RequestStop();
    return true;
}

void cBasicProgressForm::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kActionProgressView: {
        auto& view = static_cast<cViewAction&>(action);
        bar_->SetPosition(view.bar);
        status_->SetText(std::move(view.status));
        break;
    }
    case kActionEndForm:
        EndForm(int(static_cast<cEndFormAction&>(action).Result()));
        break;
    default:
        cCustomForm::OnAction(action);
        break;
    }
}
