#include "gui/shape_picture.h"

#include "gui/font.h"
#include "gui/win_canvas.h"

namespace {

class cNoFonts : public cFontProvider {
public:
    cFontObject* Font(const cFontSpec&) override { return nullptr; }
};

} // namespace

cBitmap DrawShapePicture(int width, int height, const std::function<void(cCanvas&)>& draw) {
    cBitmap picture(width, height, 0);
    if (picture.Empty()) {
        return picture;
    }
    cNoFonts noFonts;
    cWinCanvas canvas(picture.Pixels().data(), width, height, width, noFonts);
    draw(canvas);
    return picture;
}
