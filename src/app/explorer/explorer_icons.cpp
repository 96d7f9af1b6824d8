#include "app/explorer/explorer_icons.h"

namespace explorer {
namespace {

constexpr int kSize = 16;

void Fill(cBitmap& bitmap, int x, int y, int w, int h, cColor color) {
    for (int row = y; row < y + h; ++row) {
        for (int col = x; col < x + w; ++col) {
            bitmap.Row(row)[col] = color;
        }
    }
}

void Frame(cBitmap& bitmap, int x, int y, int w, int h, cColor color) {
    Fill(bitmap, x, y, w, 1, color);
    Fill(bitmap, x, y + h - 1, w, 1, color);
    Fill(bitmap, x, y, 1, h, color);
    Fill(bitmap, x + w - 1, y, 1, h, color);
}

cBitmap Folder(cColor body, cColor edge) {
    cBitmap icon(kSize, kSize, 0);
    Fill(icon, 1, 3, 6, 2, edge); // the tab
    Fill(icon, 1, 4, 14, 10, body);
    Frame(icon, 1, 4, 14, 10, edge);
    return icon;
}

cBitmap Page(cColor paper, cColor edge, cColor lines) {
    cBitmap icon(kSize, kSize, 0);
    Fill(icon, 3, 1, 10, 14, paper);
    Frame(icon, 3, 1, 10, 14, edge);
    Fill(icon, 10, 1, 3, 3, 0); // the folded corner
    Fill(icon, 10, 3, 3, 1, edge);
    Fill(icon, 10, 1, 1, 3, edge);
    for (int y = 6; y <= 12; y += 2) {
        Fill(icon, 5, y, 6, 1, lines);
    }
    return icon;
}

cBitmap Box(cColor body, cColor edge, cColor light) {
    cBitmap icon(kSize, kSize, 0);
    Fill(icon, 1, 5, 14, 7, body);
    Frame(icon, 1, 5, 14, 7, edge);
    Fill(icon, 11, 8, 2, 1, light);
    return icon;
}

} // namespace

std::vector<cBitmap> ListIcons() {
    const cColor yellow = Rgb(0xF5, 0xC5, 0x42), brown = Rgb(0xB4, 0x85, 0x1C);
    const cColor white = Rgb(0xFF, 0xFF, 0xFF), grey = Rgb(0x8A, 0x93, 0xA0);
    const cColor pale = Rgb(0xE4, 0xE7, 0xEB), red = Rgb(0xC8, 0x3C, 0x3C);
    return {Folder(yellow, brown), Page(white, grey, Rgb(0xB8, 0xC0, 0xCC)), Folder(pale, red),
            Page(pale, red, Rgb(0xE3, 0xA5, 0xA5))};
}

std::vector<cBitmap> TreeIcons() {
    const cColor blue = Rgb(0x25, 0x63, 0xEB), grey = Rgb(0x5F, 0x67, 0x73);
    cBitmap computer(kSize, kSize, 0);
    Fill(computer, 1, 2, 14, 9, Rgb(0xCF, 0xE0, 0xFD));
    Frame(computer, 1, 2, 14, 9, blue);
    Fill(computer, 6, 11, 4, 2, grey);
    Fill(computer, 3, 13, 10, 1, grey);
    cBitmap partition(kSize, kSize, 0);
    Fill(partition, 1, 5, 14, 7, Rgb(0xE2, 0xE8, 0xF1));
    Fill(partition, 1, 5, 8, 7, blue);
    Frame(partition, 1, 5, 14, 7, grey);
    const std::vector<cBitmap> list = ListIcons();
    return {computer,
            list[kIconFolder],
            Box(Rgb(0xD5, 0xD9, 0xDF), grey, Rgb(0x16, 0xA3, 0x4A)),
            Box(Rgb(0xCF, 0xE0, 0xFD), blue, blue),
            partition,
            list[kIconFolder]};
}

std::vector<cBitmap> FoundPartitionIcons() {
    const cColor grey = Rgb(0x5F, 0x67, 0x73);
    std::vector<cBitmap> icons;
    for (const cColor fill :
         {Rgb(0x16, 0xA3, 0x4A), Rgb(0xB4, 0xBA, 0xC3), Rgb(0xDC, 0x26, 0x26)}) {
        cBitmap icon(kSize, kSize, 0);
        Fill(icon, 1, 5, 14, 7, Rgb(0xE2, 0xE8, 0xF1));
        Fill(icon, 1, 5, 8, 7, fill);
        Frame(icon, 1, 5, 14, 7, grey);
        icons.push_back(std::move(icon));
    }
    return icons;
}

} // namespace explorer
