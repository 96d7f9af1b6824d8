#include "gui/sdl/program_icon.h"

#include "gui/painter.h"
#include "gui/shape_picture.h"

namespace program_icon {

cBitmap Draw(int iconId, int size) {
    if (iconId != kIconId || size < 8) {
        return {};
    }
    return DrawShapePicture(size, size, [size](cCanvas& canvas) {
        // A drive platter with an arrow coming out of it: data brought back.
        canvas.FillRoundRect({0, 0, size, size}, size / 5, theme::kAccent);
        const int disk = size * 5 / 8, at = (size - disk) / 2;
        canvas.FillEllipse({at, at, disk, disk}, Rgb(0xF4, 0xF5, 0xF7));
        canvas.FillEllipse({size / 2 - size / 12, size / 2 - size / 12, size / 6, size / 6},
                           theme::kAccent);
        canvas.SetPen(Rgb(0xF4, 0xF5, 0xF7), size / 12.0f);
        canvas.Line(size * 0.62f, size * 0.38f, size * 0.86f, size * 0.14f);
    });
}

} // namespace program_icon
