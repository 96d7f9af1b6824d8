#pragma once
// What the window host and the headless host share: the form they carry, the frame the
// form is painted into (software, so both produce the same pixels), the rectangle that
// waits for repainting, and text measurement with the process's fonts.

#include "gui/custom_form.h"
#include "gui/win_canvas.h"
#include "gui/window_request_target.h"

#include <memory>

class cSurfaceHost : public cWindowRequestTarget {
public:
    ~cSurfaceHost() override;

    cCustomForm& Form() { return form_; }
    void Invalidate(const cRect* rect) override;
    std::unique_ptr<cCanvas> CreateCanvas() override;
    cSize TextExtent(std::u16string_view text, const cFontSpec& font) override;

    bool NeedsPaint() const { return !dirty_.Empty(); }
    // Paints what is marked into the frame and presents that part.
    void PaintDirty();
    const cBitmap& Frame() const { return frame_; }

protected:
    explicit cSurfaceHost(cCustomForm& form);
    // Attaches the form at a client size: the frame follows and everything is repainted.
    void AttachForm(int width, int height);
    void ResizeClient(int width, int height);
    // Shows `rect` of the frame (nothing for the headless host).
    virtual void PresentFrame(const cRect& rect) {}

private:
    cCustomForm& form_;
    cBitmap frame_;
    cRect dirty_;
};
