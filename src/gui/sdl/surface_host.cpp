#include "gui/sdl/surface_host.h"

#include "gui/sdl/font_list.h"

cSurfaceHost::cSurfaceHost(cCustomForm& form) : form_(form) {}

cSurfaceHost::~cSurfaceHost() {
    if (form_.FormHost() == this) {
        form_.AttachHost(nullptr, 0, 0);
    }
}

void cSurfaceHost::AttachForm(int width, int height) {
    frame_ = cBitmap(width, height, 0xFFFFFFFFu);
    dirty_ = {0, 0, width, height};
    form_.AttachHost(this, width, height);
}

void cSurfaceHost::ResizeClient(int width, int height) {
    if (width == frame_.Width() && height == frame_.Height()) {
        return;
    }
    frame_ = cBitmap(width, height, 0xFFFFFFFFu);
    dirty_ = {0, 0, width, height};
    form_.HostResize(width, height);
}

void cSurfaceHost::Invalidate(const cRect* rect) {
    const cRect whole{0, 0, frame_.Width(), frame_.Height()};
    dirty_ = dirty_.Union(rect ? rect->Intersect(whole) : whole);
}

std::unique_ptr<cCanvas> cSurfaceHost::CreateCanvas() {
    return std::make_unique<cWOffscreenCanvas>(
        frame_.Width(), frame_.Height(), cFontList::Instance(), [this](const cBitmap& drawn) {
            if (drawn.Size() == frame_.Size()) {
                frame_ = drawn;
            }
            PresentFrame({0, 0, frame_.Width(), frame_.Height()});
        });
}

cSize cSurfaceHost::TextExtent(std::u16string_view text, const cFontSpec& font) {
    cFontObject* f = cFontList::Instance().Font(font);
    return f ? cSize{f->MeasureText(text), f->LineHeight()} : cSize{};
}

void cSurfaceHost::PaintDirty() {
    if (dirty_.Empty()) {
        return;
    }
    const cRect area = dirty_;
    dirty_ = {};
    // The tree is drawn over the previous frame, limited to the marked part; the form's
    // own background covers whatever was there.
    cWinCanvas canvas(frame_.Pixels().data(), frame_.Width(), frame_.Height(), frame_.Width(),
                      cFontList::Instance());
    form_.HostPaint(canvas, area);
    // Painting may have marked more (a control laying itself out); that waits for the
    // next round instead of looping here.
    PresentFrame(area);
}
