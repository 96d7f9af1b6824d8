#include "icons.h"

#include "gui/painter.h"
#include "gui/sdl/font_list.h"
#include "gui/win_canvas.h"

namespace gallery_icons {

namespace {

template <class Draw> cBitmap Drawn(int width, int height, Draw draw) {
    cBitmap bitmap(width, height, 0);
    cWinCanvas canvas(bitmap.Pixels().data(), width, height, width, cFontList::Instance());
    draw(canvas);
    return bitmap;
}

} // namespace

cBitmap Warning() {
    return Drawn(18, 18, [](cCanvas& c) { painter::MessageIcon(c, {0, 0, 18, 18}, kIconWarning); });
}
cBitmap Error() {
    return Drawn(18, 18, [](cCanvas& c) { painter::MessageIcon(c, {0, 0, 18, 18}, kIconError); });
}
cBitmap Question() {
    return Drawn(18, 18, [](cCanvas& c) {
        painter::MessageIcon(c, {0, 0, 18, 18}, kIconQuestion);
    });
}

cBitmap Play() {
    return Drawn(18, 18, [](cCanvas& c) {
        c.FillEllipse({0, 0, 18, 18}, Rgb(0x16, 0xA3, 0x4A));
        c.SetPen(theme::kAccentText, 2.0f);
        c.Line(7, 5, 12, 9);
        c.Line(12, 9, 7, 13);
    });
}

cBitmap Picture(int width, int height) {
    return Drawn(width, height, [&](cCanvas& c) {
        c.FillRoundRect({0, 0, width, height}, 6, Rgb(0xE8, 0xEE, 0xF7));
        // Two "disks" a user may click: the active zones of the sample picture.
        for (int i = 0; i < 2; ++i) {
            const cRect disk{12 + i * 86, 12, 70, 96};
            c.FillRoundRect(disk, 8, i ? Rgb(0x7C, 0x8D, 0xA6) : Rgb(0x4B, 0x6F, 0xAE));
            c.FillEllipse({disk.x + 20, disk.y + 30, 30, 30}, Rgb(0xF4, 0xF5, 0xF7));
            c.FillEllipse({disk.x + 31, disk.y + 41, 8, 8},
                          i ? Rgb(0x7C, 0x8D, 0xA6) : Rgb(0x4B, 0x6F, 0xAE));
            c.SelectFont(StandardFont(eStdFont::Bold));
            painter::Text(c, {disk.x, disk.y + 72, disk.w, 18}, i ? u"Диск 1" : u"Диск 0",
                          theme::kAccentText, eAlign::Center);
        }
    });
}

} // namespace gallery_icons
