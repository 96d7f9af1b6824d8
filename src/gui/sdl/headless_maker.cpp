#include "gui/sdl/headless_maker.h"

#include "gui/sdl/font_list.h"

cHeadlessMaker::cHeadlessMaker(cDriver driver)
    : driver_(std::move(driver)), previous_(WindowMaker()) {
    SetWindowMaker(this);
}

cHeadlessMaker::~cHeadlessMaker() {
    SetWindowMaker(previous_);
}

int cHeadlessMaker::RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                             bool resizable) {
    ++modalRuns_;
    lastModalSize_ = {width, height};
    // As under a real maker, the owner takes no pointer while the modal form runs.
    if (parent) {
        parent->HostMouseLeave();
    }
    cHeadlessHost host(form, width, height, true);
    host.Show();
    if (driver_) {
        driver_(host);
    }
    return host.EndCode().value_or(-1);
}

cWindowHolder* cHeadlessMaker::CreateWindow(cCustomForm& form, const cRect& rect,
                                            cCustomForm* parent, int styles) {
    // Tests build modeless forms on their own cHeadlessHost.
    return nullptr;
}

void cHeadlessMaker::Destroy(cWindowHolder* holder) {}

cSize cHeadlessMaker::TextExtent(std::u16string_view text, const cFontSpec& font) {
    cFontObject* f = cFontList::Instance().Font(font);
    return f ? cSize{f->MeasureText(text), f->LineHeight()} : cSize{};
}
