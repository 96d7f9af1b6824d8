#include "app/explorer/tool_icons.h"

#include "gui/painter.h"
#include "gui/shape_picture.h"

#include <cmath>
#include <numbers>

namespace explorer {
namespace {

constexpr cColor kFolderBack = Rgb(0xD9, 0x9A, 0x1E), kFolderFront = Rgb(0xF7, 0xC9, 0x4B);
constexpr cColor kGrey = theme::kTextMuted, kBlue = theme::kAccent;
constexpr cColor kGreen = Rgb(0x16, 0xA3, 0x4A), kOrange = Rgb(0xF5, 0x9E, 0x0B);
constexpr cColor kWhite = Rgb(0xFF, 0xFF, 0xFF);

// A point `radius` away from the picture's centre at `degrees`, clockwise from three o'clock.
struct cPolar {
    float x, y;
};
cPolar Around(float radius, float degrees) {
    const float r = degrees * std::numbers::pi_v<float> / 180.0f;
    return {9.5f + radius * std::cos(r), 9.5f + radius * std::sin(r)};
}

void OpenFolder(cCanvas& c) {
    c.FillRoundRect({1, 3, 8, 4}, 1, kFolderBack); // the tab
    c.FillRoundRect({1, 5, 18, 13}, 2, kFolderBack);
    c.FillRoundRect({3, 9, 16, 9}, 2, kFolderFront);
}

// A triangle filled by a fan of lines from its tip: the canvas has no polygons.
void Arrowhead(cCanvas& c, cPolar tip, cPolar left, cPolar right) {
    c.SetPen(kGreen, 1.5f);
    constexpr int kRays = 8;
    for (int i = 0; i <= kRays; ++i) {
        const float t = float(i) / kRays;
        c.Line(tip.x, tip.y, left.x + (right.x - left.x) * t, left.y + (right.y - left.y) * t);
    }
}

// Nearly a full turn, its arrow head pointing on into the gap: look again.
void CircleArrow(cCanvas& c) {
    c.SetPen(kGreen, 2.2f);
    constexpr float kRadius = 6.0f, kFrom = 40, kTo = 320, kStep = 10;
    for (float a = kFrom; a < kTo; a += kStep) {
        const cPolar p = Around(kRadius, a), q = Around(kRadius, a + kStep);
        c.Line(p.x, p.y, q.x, q.y);
    }
    const cPolar end = Around(kRadius, kTo), outer = Around(kRadius + 3.2f, kTo),
                 inner = Around(kRadius - 3.2f, kTo);
    // Clockwise on the screen, the way on from the end is (-sin, cos) of its angle.
    const float r = kTo * std::numbers::pi_v<float> / 180.0f;
    const cPolar tip{end.x - 3.5f * std::sin(r), end.y + 3.5f * std::cos(r)};
    Arrowhead(c, tip, outer, inner);
}

void Book(cCanvas& c) {
    c.FillRoundRect({3, 1, 14, 18}, 2, kBlue);
    c.FillRect({5, 15, 12, 2}, kWhite); // the pages' edge
    c.FillRect({7, 5, 7, 2}, kWhite);   // the title
    c.FillRect({7, 8, 5, 1}, kWhite);
}

void Gear(cCanvas& c) {
    c.SetPen(kGrey, 3.0f);
    for (int tooth = 0; tooth < 8; ++tooth) {
        const cPolar p = Around(8.5f, tooth * 45.0f);
        c.Line(9.5f, 9.5f, p.x, p.y);
    }
    c.FillEllipse({3, 3, 14, 14}, kGrey);
    c.FillEllipse({7, 7, 6, 6}, theme::kWindow);
}

void Info(cCanvas& c) {
    c.FillEllipse({0, 0, 20, 20}, kBlue);
    c.FillEllipse({8, 3, 4, 4}, kWhite);
    c.FillRoundRect({8, 8, 4, 9}, 1, kWhite);
}

// A disk divided into partitions.
void PartitionBar(cCanvas& c) {
    c.FillRoundRect({0, 4, 20, 12}, 2, kGrey);
    c.FillRect({2, 6, 7, 8}, kBlue);
    c.FillRect({10, 6, 5, 8}, kGreen);
    c.FillRect({16, 6, 2, 8}, kOrange);
}

// An arrow down into a tray: taken out to a safe place.
void SaveDown(cCanvas& c) {
    c.SetPen(kGrey, 2.0f);
    c.Line(2, 11, 2, 17);
    c.Line(2, 17, 17, 17);
    c.Line(17, 17, 17, 11);
    c.SetPen(kBlue, 2.5f);
    c.Line(9.5f, 1, 9.5f, 12);
    c.Line(5, 8, 9.5f, 12.5f);
    c.Line(14, 8, 9.5f, 12.5f);
}

// A database drum: what a scan result file holds.
void Drum(cCanvas& c, cColor body) {
    c.FillRect({3, 4, 12, 12}, body);
    c.FillEllipse({3, 12, 12, 6}, body);
    c.FillEllipse({3, 1, 12, 6}, kGrey);
    c.FillEllipse({5, 2, 8, 4}, body);
}

// A saved result brought back: an arrow out of the drum.
void LoadDrum(cCanvas& c) {
    Drum(c, kOrange);
    c.SetPen(kGreen, 2.5f);
    c.Line(15.5f, 18, 15.5f, 8);
    c.Line(12, 11.5f, 15.5f, 7.5f);
    c.Line(19, 11.5f, 15.5f, 7.5f);
}

// A result put away: an arrow into the drum.
void SaveDrum(cCanvas& c) {
    Drum(c, kBlue);
    c.SetPen(kGreen, 2.5f);
    c.Line(15.5f, 7, 15.5f, 17);
    c.Line(12, 13.5f, 15.5f, 17.5f);
    c.Line(19, 13.5f, 15.5f, 17.5f);
}

// A magnifier over a disk: looking through it for what was lost.
void Magnifier(cCanvas& c) {
    c.FillRoundRect({0, 11, 14, 8}, 2, kGrey);
    c.FillEllipse({6, 1, 12, 12}, kBlue);
    c.FillEllipse({8, 3, 8, 8}, theme::kWindow);
    c.SetPen(kOrange, 3.0f);
    c.Line(8.5f, 11.5f, 4, 16);
}

} // namespace

cBitmap ToolIcon(eToolIcon icon) {
    void (*draw)(cCanvas&) = nullptr;
    switch (icon) {
    case eToolIcon::OpenImage:
        draw = OpenFolder;
        break;
    case eToolIcon::Rescan:
        draw = CircleArrow;
        break;
    case eToolIcon::Manual:
        draw = Book;
        break;
    case eToolIcon::Settings:
        draw = Gear;
        break;
    case eToolIcon::About:
        draw = Info;
        break;
    case eToolIcon::Partitions:
        draw = PartitionBar;
        break;
    case eToolIcon::SaveSelected:
        draw = SaveDown;
        break;
    case eToolIcon::LoadResult:
        draw = LoadDrum;
        break;
    case eToolIcon::SaveResults:
        draw = SaveDrum;
        break;
    case eToolIcon::Scan:
        draw = Magnifier;
        break;
    }
    return DrawShapePicture(kToolIconSize, kToolIconSize, draw);
}

} // namespace explorer
