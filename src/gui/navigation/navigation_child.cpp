#include "gui/navigation/navigation_child.h"

#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/progress_child.h"
#include "gui/navigation/navigation_provider.h"

#include <cmath>

namespace {
constexpr int kStripHeight = 3;
constexpr int kStripRange = 1000;
constexpr int kDropWidth = 28;
} // namespace

// The drop-down under the path field: refilled from the history each time it opens.
class cNavigationChild::cHistoryCombo : public cComboBoxChild {
public:
    explicit cHistoryCombo(cNavigationChild& view) : view_(view) {}
    bool OnKeyDown(int key, int modifiers) override {
        const bool opens = key == key::kF1 + 3 || (key == key::kDown && modifiers == mods::kAlt);
        if (opens || key == key::kSpace) {
            view_.ShowHistory();
            return true;
        }
        return cComboBoxChild::OnKeyDown(key, modifiers);
    }

protected:
    void OnClick() override { view_.ShowHistory(); }

private:
    cNavigationChild& view_;
};

cNavigationChild::cNavigationChild(cNavigationProvider* provider,
                                   std::unique_ptr<cNavigationTicker> ticker)
    : provider_(provider), fakeProgress_(this, std::move(ticker)) {
    Build();
}

cNavigationChild::~cNavigationChild() {
    fakeProgress_.Halt();
    if (provider_) {
        provider_->ForgetView(this);
    }
}

void cNavigationChild::Build() {
    combo_ = Add<cHistoryCombo>(0, 2, -1, kHeight - 8, *this);
    edit_ = Add<cEditChild>(0, 2, 0, kHeight - 8);
    strip_ = Add<cProgressChild>(2, kHeight - kStripHeight - 1, -3, kStripHeight, 0, kStripRange);
    strip_->SetVisible(false);
    OnSize();
}

void cNavigationChild::OnSize() {
    cChildElement::OnSize();
    // The edit covers the drop-down's text, leaving its arrow to open the history.
    if (edit_) {
        edit_->Place(0, 2, std::max(0, Rect().w - kDropWidth), kHeight - 8);
    }
}

void cNavigationChild::SetProvider(cNavigationProvider* provider) {
    if (provider_) {
        provider_->ForgetView(this);
    }
    provider_ = provider;
}

bool cNavigationChild::NavigateTo(const std::u16string& path) {
    if (!provider_ || !provider_->IsValidPath(path) || !provider_->Navigate(this, path)) {
        return false;
    }
    history_.insert(path);
    ShowPath(path);
    StartFakeProgress();
    return true;
}

bool cNavigationChild::UserNavigateTo(const std::u16string& path) {
    if (NavigateTo(path)) {
        return true;
    }
    SendCommand(kNaviRefused, 0);
    return false;
}

void cNavigationChild::ShowPath(std::u16string path) {
    edit_->SetText(std::move(path));
}

std::u16string cNavigationChild::ShownPath() const {
    return edit_->Text();
}

int cNavigationChild::State() {
    if (state_ == kHistoryShown && !combo_->IsOpen()) {
        state_ = kIdle;
    }
    return state_;
}

void cNavigationChild::ShowHistory() {
    if (state_ == kListing) {
        return;
    }
    combo_->SetItems({history_.begin(), history_.end()}, -1);
    state_ = kHistoryShown;
    combo_->Open();
}

void cNavigationChild::StartFakeProgress() {
    state_ = kListing;
    strip_->SetPosition(0);
    strip_->SetVisible(true);
    fakeProgress_.Begin();
}

void cNavigationChild::StopFakeProgress() {
    fakeProgress_.End();
    strip_->SetVisible(false);
    state_ = kIdle;
}

bool cNavigationChild::OnKeyDown(int key, int modifiers) {
    if (key == key::kEnter && !modifiers) {
        UserNavigateTo(edit_->Text());
        return true;
    }
    return false;
}

bool cNavigationChild::OnCommand(cChildElement* source, int kind, int item) {
    if (source != combo_ || kind != kActionSelChange) {
        return false;
    }
    const auto& items = combo_->Items();
    state_ = kIdle;
    if (item >= 0 && std::size_t(item) < items.size()) {
        UserNavigateTo(items[std::size_t(item)]);
    }
    return true;
}

void cNavigationChild::OnAction(cChildAction& action) {
    switch (action.Kind()) {
    case kNaviSetPath:
        ShowPath(static_cast<cNaviSetPathAction&>(action).Path());
        return;
    case kNaviDone:
        StopFakeProgress();
        SendCommand(kNaviDone, static_cast<cNaviDoneAction&>(action).Result());
        return;
    case kNaviFakeProgress: {
        const double progress = static_cast<cNaviFakeProgressRecvAction&>(action).Progress();
        strip_->SetPosition(int(std::lround(progress * kStripRange)));
        return;
    }
    default:
        cChildElement::OnAction(action);
    }
}
