#include "gui/sdl/headless_host.h"

#include "gui/sdl/png_file.h"

cHeadlessHost::cHeadlessHost(cCustomForm& form, int width, int height, bool modal)
    : cSurfaceHost(form), modal_(modal) {
    AttachForm(width, height);
    Form().HostFocus(true);
}

cHeadlessHost::~cHeadlessHost() {
    if (Form().FormHost() == this) {
        Form().AttachHost(nullptr, 0, 0);
    }
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
    if (minSize_.w > 0) {
        width = std::max(width, minSize_.w);
    }
    if (minSize_.h > 0) {
        height = std::max(height, minSize_.h);
    }
    if (maxSize_.w > 0) {
        width = std::min(width, maxSize_.w);
    }
    if (maxSize_.h > 0) {
        height = std::min(height, maxSize_.h);
    }
    ResizeClient(width, height);
}

void cHeadlessHost::RequestClose() {
    Form().HostCloseRequest();
}

void cHeadlessHost::EndDialog(int result) {
    if (modal_) {
        endCode_ = result;
    } else {
        destroyed_ = true;
    }
}

void cHeadlessHost::Move(int x, int y, int width, int height) {
    position_ = {x, y};
    Resize(width, height);
}

bool cHeadlessHost::Post(std::uint32_t wake, std::uintptr_t value) {
    {
        std::lock_guard lock(wakeLock_);
        wakeUps_.emplace_back(wake, value);
    }
    wakePosted_.notify_all();
    return true;
}

int cHeadlessHost::RunWakeUps() {
    int ran = 0;
    for (;;) {
        std::pair<std::uint32_t, std::uintptr_t> wake;
        {
            std::lock_guard lock(wakeLock_);
            if (wakeUps_.empty()) {
                return ran;
            }
            wake = wakeUps_.front();
            wakeUps_.pop_front();
        }
        Form().HostWake(wake.first, wake.second);
        ++ran;
    }
}

bool cHeadlessHost::WaitForWakeUp(int milliseconds) {
    std::unique_lock lock(wakeLock_);
    return wakePosted_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [&] { return !wakeUps_.empty(); });
}

int cHeadlessHost::PostedWakeUps() const {
    std::lock_guard lock(wakeLock_);
    return int(wakeUps_.size());
}

const cBitmap& cHeadlessHost::Render() {
    PaintDirty();
    return Frame();
}

bool cHeadlessHost::SavePng(const std::string& path) {
    return gui_png::Save(Render(), path);
}

bool cHeadlessHost::SetClipboardText(std::u16string_view text) {
    clipText_ = std::u16string(text);
    clipBytes_.reset();
    return true;
}

std::optional<std::u16string> cHeadlessHost::ClipboardText() {
    return clipText_;
}

bool cHeadlessHost::SetClipboardBytes(std::span<const std::uint8_t> bytes) {
    clipBytes_ = std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    clipText_.reset();
    return true;
}

std::optional<std::vector<std::uint8_t>> cHeadlessHost::ClipboardBytes() {
    return clipBytes_;
}

bool cHeadlessHost::ClipboardHasData(bool textOnly) {
    const bool text = clipText_ && !clipText_->empty();
    if (textOnly) {
        return text;
    }
    return text || (clipBytes_ && !clipBytes_->empty());
}
