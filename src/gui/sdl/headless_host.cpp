#include "gui/sdl/headless_host.h"

#include "gui/sdl/png_file.h"

cHeadlessHost::cHeadlessHost(cCustomForm& form, int width, int height, bool modal)
    : cSurfaceHost(form), modal_(modal) {
    AttachForm(width, height);
    Form().HostFocus(true);
}

cHeadlessHost::~cHeadlessHost() {
    if (Form().FormHost() == this)
        Form().AttachHost(nullptr, 0, 0);
}

void cHeadlessHost::MouseMove(int x, int y) {
    Form().HostMouseMove({x, y});
}
void cHeadlessHost::MouseLeave() {
    Form().HostMouseLeave();
}

void cHeadlessHost::Press(int x, int y, eMouseButton button, int modifiers) {
    Form().HostMouseMove({x, y});
    Form().HostButtonDown(button, {x, y}, modifiers, 1);
}

void cHeadlessHost::Release(int x, int y, eMouseButton button, int modifiers) {
    Form().HostButtonUp(button, {x, y}, modifiers);
}

void cHeadlessHost::Click(int x, int y, int modifiers) {
    Press(x, y, eMouseButton::Left, modifiers);
    Release(x, y, eMouseButton::Left, modifiers);
}

void cHeadlessHost::DoubleClick(int x, int y) {
    Click(x, y);
    Form().HostButtonDown(eMouseButton::Left, {x, y}, 0, 2);
    Release(x, y);
}

void cHeadlessHost::Wheel(int delta, int x, int y) {
    Form().HostWheel(delta, {x, y});
}

void cHeadlessHost::Key(int key, int modifiers) {
    Form().HostKeyDown(key, modifiers);
    Form().HostKeyUp(key, modifiers);
}

void cHeadlessHost::Type(std::u16string_view text) {
    Form().HostChar(text);
}
void cHeadlessHost::Focus(bool gained) {
    Form().HostFocus(gained);
}

void cHeadlessHost::Resize(int width, int height) {
    // The same limits a window's sizing frame applies.
    if (min_size_.w > 0)
        width = std::max(width, min_size_.w);
    if (min_size_.h > 0)
        height = std::max(height, min_size_.h);
    if (max_size_.w > 0)
        width = std::min(width, max_size_.w);
    if (max_size_.h > 0)
        height = std::min(height, max_size_.h);
    ResizeClient(width, height);
}

void cHeadlessHost::RequestClose() {
    Form().HostCloseRequest();
}

void cHeadlessHost::EndDialog(int result) {
    if (modal_)
        end_code_ = result;
    else
        destroyed_ = true;
}

void cHeadlessHost::Move(int x, int y, int width, int height) {
    position_ = {x, y};
    Resize(width, height);
}

bool cHeadlessHost::Post(std::uint32_t wake, std::uintptr_t value) {
    {
        std::lock_guard lock(wake_lock_);
        wake_ups_.emplace_back(wake, value);
    }
    wake_posted_.notify_all();
    return true;
}

int cHeadlessHost::RunWakeUps() {
    int ran = 0;
    for (;;) {
        std::pair<std::uint32_t, std::uintptr_t> wake;
        {
            std::lock_guard lock(wake_lock_);
            if (wake_ups_.empty())
                return ran;
            wake = wake_ups_.front();
            wake_ups_.pop_front();
        }
        Form().HostWake(wake.first, wake.second);
        ++ran;
    }
}

bool cHeadlessHost::WaitForWakeUp(int milliseconds) {
    std::unique_lock lock(wake_lock_);
    return wake_posted_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [&] { return !wake_ups_.empty(); });
}

int cHeadlessHost::PostedWakeUps() const {
    std::lock_guard lock(wake_lock_);
    return int(wake_ups_.size());
}

const cBitmap& cHeadlessHost::Render() {
    PaintDirty();
    return Frame();
}

bool cHeadlessHost::SavePng(const std::string& path) {
    return gui_png::Save(Render(), path);
}

bool cHeadlessHost::SetClipboardText(std::u16string_view text) {
    clip_text_ = std::u16string(text);
    clip_bytes_.reset();
    return true;
}

std::optional<std::u16string> cHeadlessHost::ClipboardText() {
    return clip_text_;
}

bool cHeadlessHost::SetClipboardBytes(std::span<const std::uint8_t> bytes) {
    clip_bytes_ = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    clip_text_.reset();
    return true;
}

std::optional<std::vector<std::uint8_t>> cHeadlessHost::ClipboardBytes() {
    return clip_bytes_;
}

bool cHeadlessHost::ClipboardHasData(bool text_only) {
    const bool text = clip_text_ && !clip_text_->empty();
    if (text_only)
        return text;
    return text || (clip_bytes_ && !clip_bytes_->empty());
}
