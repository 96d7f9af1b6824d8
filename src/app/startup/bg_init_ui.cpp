#include "app/startup/bg_init_ui.h"

#include "gui/controls/static_element.h"

namespace {

constexpr int kActionWindowReady = 1;
constexpr int kActionShowStatus = 2;
constexpr int kActionStartupDone = 3;

class cShowWorkStatusAction : public cSentChildAction {
public:
    explicit cShowWorkStatusAction(cBgInitUI& form)
        : cSentChildAction(kActionShowStatus), form_(form) {}
    void Execute() override { form_.ShowWorkStatus(); }

private:
    cBgInitUI& form_;
};

// The status line's own background, which the form's does not share.
class cStatusLine : public cStaticElement {
public:
    cStatusLine() : cStaticElement(std::u16string{}) { SetColor(cBgInitUI::kTextColor); }
    void OnPaint(cCanvas& canvas) override {
        canvas.FillRect(ClientRect(), cBgInitUI::kTextBackground);
        cStaticElement::OnPaint(canvas);
    }
};

} // namespace

cBgInitJob::cBgInitJob(cBgInitUI& form, std::function<void()> enumerate)
    : form_(form), enumerate_(std::move(enumerate)) {}

cBgInitJob::~cBgInitJob() {
    Stop();
}

unsigned cBgInitJob::Run() {
    // Once the window thread has answered, the window exists and pumps its messages.
    cSentChildAction ready(kActionWindowReady);
    ready.Send(form_);
    cShowWorkStatusAction status(form_);
    status.Send(form_);
    if (enumerate_) {
        enumerate_();
    }
    return 0;
}

void cBgInitJob::OnFinish(unsigned result) {
    PostChildAction(form_, std::make_unique<cChildAction>(kActionStartupDone));
}

cBgInitUI::cBgInitUI(std::function<void()> enumerate, std::u16string status)
    : cCustomForm("qorns::startup"), workStatus_(std::move(status)),
      job_(*this, std::move(enumerate)) {}

cBgInitUI::~cBgInitUI() = default;

void cBgInitUI::OnCreate() {
    // Two lines: the longer statuses of some languages do not fit on one.
    status_ = Add<cStatusLine>(0, 0, 340, 40);
    status_->SetWrap(true);
    // Start-up says it is starting; other work says what it does from the first frame.
    if (workStatus_.empty()) {
        ShowStatus(kTextStarting);
    } else {
        ShowWorkStatus();
    }
    if (!job_.Start()) {
        finished_ = true;
        EndForm(0);
    }
}

void cBgInitUI::ShowStatus(int textId) {
    if (status_) {
        status_->SetText(std::u16string(Text(textId).value_or(u"")));
    }
}

void cBgInitUI::ShowWorkStatus() {
    if (workStatus_.empty()) {
        ShowStatus(kTextScanningStorages);
    } else if (status_) {
        status_->SetText(workStatus_);
    }
}

void cBgInitUI::OnCloseRequest() {
    // The storages are being found; the window goes by itself when that is done.
    if (finished_) {
        EndForm(0);
    }
}

void cBgInitUI::OnAction(cChildAction& action) {
    if (action.Kind() == kActionStartupDone) {
        finished_ = true;
        EndForm(0);
        return;
    }
    cCustomForm::OnAction(action);
}
