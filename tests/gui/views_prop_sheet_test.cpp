// Property sheets: sections fold with their hints from "tusk::propsheet", values are
// edited in place (Enter commits and reports, Escape cancels), the name column is
// resized by dragging, and both sheet kinds render.

#include "gui/sdl/headless_host.h"
#include "gui/views/prop_sheet_child.h"
#include "views_support.h"

#include <gtest/gtest.h>

using views_test::cRecordingForm;

namespace {

template <class Sheet> struct cSheetFixture {
    cSheetFixture()
        : form([&](cRecordingForm& f) {
              gui_test::RegisterPacks();
              sheet = f.Add<Sheet>(10, 10, -11, -11);
              cPropDispAreaChild& area = sheet->Area();
              general = area.AddSection(u"General");
              area.AddRow(1, u"Name", u"disk.img", u"The image file");
              area.AddRow(2, u"Label", u"DATA", {}, true);
              geometry = area.AddSection(u"Geometry");
              area.AddRow(3, u"Sectors", u"2097152");
              area.AddRow(4, u"Sector size", u"512");
          }),
          host(form, 420, 300) {}

    cPoint RowPoint(int shown, int x = 60) const {
        return {10 + 1 + x, 10 + 1 + shown * cPropDispAreaChild::kRowHeight + 10};
    }

    Sheet* sheet = nullptr;
    int general = -1, geometry = -1;
    cRecordingForm form;
    cHeadlessHost host;
};

TEST(PropSheet, SectionsFoldWithTheirHints) {
    cSheetFixture<cPropSheetChild> f;
    cPropDispAreaChild& area = f.sheet->Area();
    EXPECT_EQ(area.ShownRows().size(), 6u);
    // The sheet's texts come from its own section, although the form names another.
    f.host.Click(f.RowPoint(3).x, f.RowPoint(3).y);
    EXPECT_EQ(f.sheet->HelpText(), u"Дважды щелкните, чтобы свернуть группу");
    f.host.DoubleClick(f.RowPoint(3).x, f.RowPoint(3).y);
    EXPECT_EQ(area.ShownRows().size(), 4u);
    EXPECT_EQ(f.sheet->HelpText(), u"Дважды щелкните, чтобы развернуть группу");
    // A click on the chevron of the first head folds it too; the keys unfold.
    f.host.Click(10 + 1 + 8, f.RowPoint(0).y);
    EXPECT_EQ(area.ShownRows().size(), 2u);
    f.host.Key(key::kRight);
    EXPECT_EQ(area.ShownRows().size(), 4u);
    f.host.Click(f.RowPoint(1).x, f.RowPoint(1).y);
    EXPECT_EQ(f.sheet->HelpText(), u"The image file");
    f.host.Click(f.RowPoint(2).x, f.RowPoint(2).y);
    EXPECT_EQ(f.sheet->HelpText(), u"Изменить значение");
}

// Refilled rows (another object shown) leave no help of the old ones behind.
TEST(PropSheet, ClearingTheRowsClearsTheHelpLine) {
    cSheetFixture<cPropSheetChild> f;
    f.host.MouseMove(f.RowPoint(1).x, f.RowPoint(1).y);
    EXPECT_EQ(f.sheet->HelpText(), u"The image file");
    f.sheet->Area().Clear();
    f.sheet->Area().AddRow(5, u"Size", u"1 GB");
    EXPECT_EQ(f.sheet->HelpText(), u"");
}

TEST(PropSheet, EditsCommitOnEnterAndCancelOnEscape) {
    cSheetFixture<cPropSheetChild> f;
    cPropDispAreaChild& area = f.sheet->Area();
    const cPoint value = f.RowPoint(2, 250);
    // Read-only values do not open a field.
    f.host.DoubleClick(f.RowPoint(1, 250).x, f.RowPoint(1, 250).y);
    EXPECT_FALSE(area.IsEditing());
    f.host.DoubleClick(value.x, value.y);
    ASSERT_TRUE(area.IsEditing());
    f.host.Type(u"BACKUP");
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_prop_sheet_edit.png")));
    f.host.Key(key::kEscape);
    EXPECT_FALSE(area.IsEditing());
    EXPECT_EQ(area.RowById(2)->value, u"DATA");
    EXPECT_FALSE(f.host.EndCode().has_value()); // Escape went to the field, not the form

    f.host.DoubleClick(value.x, value.y);
    f.host.Type(u"BACKUP");
    f.host.Key(key::kEnter);
    EXPECT_FALSE(area.IsEditing());
    EXPECT_EQ(area.RowById(2)->value, u"BACKUP");
    f.host.RunWakeUps();
    bool reported = false;
    for (const auto& c : f.form.commands) {
        reported |= c.kind == kActionPropSheet && c.item == 2;
    }
    EXPECT_TRUE(reported);
}

TEST(PropSheet, NameColumnDragsAndReports) {
    cSheetFixture<cPropSheetExChild> f;
    cPropDispAreaChild& area = f.sheet->Area();
    const int x = 10 + 1 + area.NameWidth();
    const int y = f.RowPoint(1).y;
    f.host.Press(x, y);
    f.host.MouseMove(x + 60, y);
    f.host.Release(x + 60, y);
    EXPECT_EQ(area.NameWidth(), 220);
    f.host.RunWakeUps();
    bool reported = false;
    for (const auto& c : f.form.commands) {
        reported |= c.kind == kActionPropDispResize && c.item == 220;
    }
    EXPECT_TRUE(reported);
    f.host.Click(f.RowPoint(4).x, f.RowPoint(4).y);
    f.host.Render();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_prop_sheet_ex.png")));
}

} // namespace

namespace {

// A name longer than the column widens it rather than being cut, as far as the values
// keep their room.
TEST(PropSheet, NamesWidenTheirColumnUpToTheValuesRoom) {
    cSheetFixture<cPropSheetChild> f;
    cPropDispAreaChild& area = f.sheet->Area();
    const int before = area.NameWidth();
    const std::u16string name = u"Количество физических устройств";
    area.AddRow(5, name, u"0");
    EXPECT_GE(area.NameWidth(), area.TextExtent(name).w + 20);
    EXPECT_GT(area.NameWidth(), before);
    area.AddRow(6, std::u16string(200, u'ш'), u"1");
    EXPECT_EQ(area.NameWidth(), area.Viewport().w - 40);
    // Cleared for other rows, the column fits them anew.
    area.Clear();
    area.AddRow(7, name, u"0");
    EXPECT_LT(area.NameWidth(), area.TextExtent(name).w + 40);
    f.host.Render();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_prop_sheet_long_names.png")));
}

} // namespace
