// The list view: stable sorting in both directions, selection with the mouse and the
// keyboard, and what reaches the form.

#include "base/utf.h"
#include "gui/sdl/headless_host.h"
#include "gui/views/list_view_child.h"
#include "gui/views/name_order.h"
#include "views_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using views_test::cRecordingForm;

namespace {

std::unique_ptr<cListViewItemChild> Row(std::u16string name, std::uint64_t size, int tag) {
    return std::make_unique<cListViewItemChild>(std::vector<std::u16string>{name, u"x"}, size,
                                                std::uintptr_t(tag));
}

// A form with one list view of `rows` filling it.
struct cListFixture {
    explicit cListFixture(std::vector<std::unique_ptr<cListViewItemChild>> rows, int height = 300)
        : form([&](cRecordingForm& f) {
              list = f.Add<cListViewChild>(
                  0, 0, -1, -1,
                  std::vector<cHeaderColumn>{{u"Name", 200}, {u"Size", 100, eAlign::Right}});
              list->SetSortProvider(0,
                                    std::make_unique<cListViewChild::cListViewNameSortProvider>());
              list->SetSortProvider(
                  1, std::make_unique<cListViewChild::cListViewU64PramSortProvider>());
              list->AddItems(std::move(rows));
          }),
          host(form, 360, height) {}

    std::vector<int> Tags() const {
        std::vector<int> tags;
        for (int i = 0; i < list->ItemCount(); ++i) {
            tags.push_back(int(list->Item(i)->Data()));
        }
        return tags;
    }
    // Content row i's centre in form coordinates (with no scrolling).
    cPoint RowPoint(int i) const {
        return {60, 1 + cHeaderChild::kHeight + i * cListViewChild::kRowHeight + 10};
    }

    cListViewChild* list = nullptr;
    cRecordingForm form;
    cHeadlessHost host;
};

std::vector<std::unique_ptr<cListViewItemChild>> SortRows() {
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    rows.push_back(Row(u"beta", 30, 0));
    rows.push_back(Row(u"Alpha", 10, 1));
    rows.push_back(Row(u"alpha", 30, 2));
    rows.push_back(Row(u"Ёж", 20, 3));
    rows.push_back(Row(u"BETA", 10, 4));
    rows.push_back(Row(u"ёж", 20, 5));
    return rows;
}

TEST(ListView, SortsStablyInBothDirections) {
    struct cCase {
        int column;
        bool descending;
        std::vector<int> tags;
    };
    const cCase cases[] = {
        // Equal names (case aside) keep their order in both directions.
        {0, false, {1, 2, 0, 4, 3, 5}},
        {0, true, {3, 5, 0, 4, 1, 2}},
        {1, false, {1, 4, 3, 5, 0, 2}},
        {1, true, {0, 2, 3, 5, 1, 4}},
    };
    for (const cCase& c : cases) {
        cListFixture f(SortRows());
        ASSERT_TRUE(f.list->SortBy(c.column, c.descending));
        EXPECT_EQ(f.Tags(), c.tags) << "column " << c.column << " descending " << c.descending;
    }
    cListFixture f(SortRows());
    EXPECT_FALSE(f.list->SortBy(5, false));
}

TEST(ListView, KeyedNameSortAgreesWithComparingNames) {
    // Names around the four units packed into each key: shorter, equal to, longer than
    // the prefix, differing only in case, only after the prefix, and empty.
    const std::vector<std::u16string> names = {
        u"abcdE", u"ab",   u"ABCD", u"abcd", u"",        u"abc", u"abcde", u"Ab", u"b",
        u"abcdf", u"ЁЖИК", u"ёжик", u"ёж",   u"a\u0000", u"a",   u"ABCDE", u"z",  u"abcd0"};
    for (const bool descending : {false, true}) {
        std::vector<std::unique_ptr<cListViewItemChild>> rows;
        for (std::size_t i = 0; i < names.size(); ++i) {
            rows.push_back(Row(names[i], 0, int(i)));
        }
        cListFixture f(std::move(rows));
        f.list->SortBy(0, descending);
        std::vector<int> expected(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            expected[i] = int(i);
        }
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const int order = name_order::Compare(names[std::size_t(a)], names[std::size_t(b)]);
            return descending ? order > 0 : order < 0;
        });
        EXPECT_EQ(f.Tags(), expected) << "descending " << descending;
    }
}

TEST(ListView, HeaderClickSortsTogglesAndReachesTheForm) {
    cListFixture f(SortRows());
    f.host.Click(250, 12); // the size column's title
    f.host.RunWakeUps();
    EXPECT_EQ(f.list->SortColumn(), 1);
    EXPECT_FALSE(f.list->SortDescending());
    EXPECT_TRUE(f.form.Saw(kActionColumnClick));
    f.host.Click(250, 12);
    f.host.RunWakeUps();
    EXPECT_TRUE(f.list->SortDescending());
    EXPECT_EQ(f.Tags(), (std::vector<int>{0, 2, 3, 5, 1, 4}));
}

TEST(ListView, SelectionFollowsShiftAndCtrl) {
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    for (int i = 0; i < 10; ++i) {
        rows.push_back(Row(u"row" + utf::FromAscii(std::to_string(i)), 0, i));
    }
    cListFixture f(std::move(rows));
    using V = std::vector<int>;
    const cPoint r2 = f.RowPoint(2), r5 = f.RowPoint(5), r7 = f.RowPoint(7), r3 = f.RowPoint(3);
    f.host.Click(r2.x, r2.y);
    EXPECT_EQ(f.list->SelectedIndices(), V{2});
    f.host.Click(r5.x, r5.y, mods::kShift);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 4, 5}));
    // The anchor stays at 2: a second Shift+click replaces the range.
    f.host.Click(r3.x, r3.y, mods::kShift);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3}));
    f.host.Click(r7.x, r7.y, mods::kCtrl);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 7}));
    EXPECT_EQ(f.list->AnchorIndex(), 7);
    f.host.Click(r3.x, r3.y, mods::kCtrl);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 7}));
    // Ctrl+Shift adds the range from the new anchor (3) without dropping the rest.
    f.host.Click(r5.x, r5.y, mods::kCtrl | mods::kShift);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 4, 5, 7}));

    // Keyboard: Shift+Down extends from the anchor, Ctrl+Down moves only the focus,
    // Ctrl+Space toggles the focused row.
    f.host.Click(r2.x, r2.y);
    f.host.Key(key::kDown, mods::kShift);
    f.host.Key(key::kDown, mods::kShift);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 4}));
    f.host.Key(key::kDown, mods::kCtrl);
    f.host.Key(key::kDown, mods::kCtrl);
    EXPECT_EQ(f.list->FocusedIndex(), 6);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 4}));
    f.host.Key(key::kSpace, mods::kCtrl);
    EXPECT_EQ(f.list->SelectedIndices(), (V{2, 3, 4, 6}));
    f.host.Key(key::kEnd);
    EXPECT_EQ(f.list->SelectedIndices(), V{9});
    f.host.Key('A', mods::kCtrl);
    EXPECT_EQ(f.list->SelectedCount(), 10);

    f.host.RunWakeUps();
    EXPECT_TRUE(f.form.Saw(kActionListSelect));
}

TEST(ListView, SortingKeepsSelectionAnchorAndFocusOnTheirRows) {
    cListFixture f(SortRows());
    f.list->Select(0);              // "beta", tag 0
    f.list->Select(3, mods::kCtrl); // "Ёж", tag 3; anchor and focus
    f.list->SortBy(0, false);
    EXPECT_EQ(f.list->Item(f.list->FocusedIndex())->Data(), 3u);
    EXPECT_EQ(f.list->Item(f.list->AnchorIndex())->Data(), 3u);
    std::vector<int> tags;
    for (int i : f.list->SelectedIndices()) {
        tags.push_back(int(f.list->Item(i)->Data()));
    }
    EXPECT_EQ(tags, (std::vector<int>{0, 3}));
}

TEST(ListView, DoubleClickRightClickAndEnterReachTheForm) {
    cListFixture f(SortRows());
    const cPoint r1 = f.RowPoint(1);
    f.host.DoubleClick(r1.x, r1.y);
    f.host.Press(r1.x, f.RowPoint(4).y, eMouseButton::Right);
    f.host.Release(r1.x, f.RowPoint(4).y, eMouseButton::Right);
    f.host.RunWakeUps();
    bool activated = false, menu = false;
    for (const auto& c : f.form.commands) {
        activated |= c.kind == kActionListItem && c.item == 1;
        menu |= c.kind == kActionCtxRequest && c.item == 4;
    }
    EXPECT_TRUE(activated);
    EXPECT_TRUE(menu);
    // A right click on an unselected row makes it the selection.
    EXPECT_EQ(f.list->SelectedIndices(), std::vector<int>{4});
}

TEST(ListView, CheckBoxesToggleByClickAndSpace) {
    cListFixture f(SortRows());
    f.list->SetCheckBoxes(true);
    const cPoint r2 = f.RowPoint(2);
    f.host.Click(1 + 6 + 8, r2.y);
    EXPECT_TRUE(f.list->Item(2)->IsChecked());
    EXPECT_EQ(f.list->SelectedCount(), 0); // a check box click does not select
    f.list->Select(3);
    f.host.Key(key::kSpace);
    EXPECT_TRUE(f.list->Item(3)->IsChecked());
    f.host.RunWakeUps();
    EXPECT_TRUE(f.form.Saw(kActionListCheck));
}

TEST(ListView, HeaderFollowsSidewaysScrolling) {
    cListFixture f(SortRows());
    f.host.Resize(200, 300); // narrower than the two columns
    ASSERT_GT(f.list->ContentSize().w, f.list->Viewport().w);
    f.list->ScrollTo({70, 0});
    EXPECT_EQ(f.list->ScrollPos().x, 70);
    EXPECT_EQ(f.list->Header().PaneStart(0), -70);
    // A click lands on the column under the pointer, scrolled or not.
    EXPECT_EQ(f.list->Header().ColumnAt(150), 1);
    // The horizontal bar's right arrow moves a line, and the header follows it too.
    f.host.Click(192, 293);
    const int maxX = f.list->ContentSize().w - f.list->Viewport().w;
    EXPECT_EQ(f.list->ScrollPos().x, std::min(70 + cListViewChild::kRowHeight, maxX));
    EXPECT_EQ(f.list->Header().PaneStart(0), -f.list->ScrollPos().x);
}

TEST(ListView, ItsScrollBarStepsWheelsAndDragsThroughAHugeList) {
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    for (int i = 0; i < 200'000; ++i) {
        rows.push_back(Row(u"f" + utf::FromAscii(std::to_string(i)), 0, i));
    }
    cListFixture f(std::move(rows), 320);
    // The vertical bar runs down the right edge below the header, arrows at both ends.
    constexpr int kBarX = 360 - 1 - cScrollableElement::kBarThickness / 2;
    f.host.Click(kBarX, 312);
    EXPECT_EQ(f.list->ScrollPos().y, cListViewChild::kRowHeight);
    f.host.Wheel(-120, kBarX, 200);
    EXPECT_EQ(f.list->ScrollPos().y, 4 * cListViewChild::kRowHeight);
    // The thumb, still at the top of the track, dragged to the bottom reaches the end.
    f.host.Press(kBarX, 1 + 24 + 14 + 5);
    f.host.MouseMove(kBarX, 330);
    f.host.Release(kBarX, 330);
    EXPECT_EQ(f.list->ScrollPos().y, f.list->VerticalAxis().MaxPosition());
    f.host.Render();
    // The view keeps its bars' reports to itself.
    f.host.RunWakeUps();
    EXPECT_FALSE(f.form.Saw(kActionScroll));
}

TEST(ListView, LargeListScrollsToTheEndAndRenders) {
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    constexpr int kRows = 200'000;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        rows.push_back(Row(u"file" + utf::FromAscii(std::to_string(kRows - i)) + u".dat",
                           std::uint64_t(i) * 7919 % 100'000, i));
    }
    cListFixture f(std::move(rows), 320);
    f.list->SetCheckBoxes(true);
    f.list->SortBy(0, false);
    f.list->Select(5);
    f.list->Select(8, mods::kShift);
    f.list->SetFocus();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_list_top.png")));
    f.host.Key(key::kEnd, mods::kShift);
    EXPECT_EQ(f.list->SelectedCount(), kRows - 5);
    EXPECT_EQ(f.list->ScrollPos().y, f.list->VerticalAxis().MaxPosition());
    f.host.Render();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_list_end.png")));
}

} // namespace

namespace {

// Columns made to fit: nothing is cut, the titles keep room for the sort arrow, and a
// very long name stops the first column at its limit.
TEST(ListView, ColumnsFitTheirContents) {
    const std::u16string type = u"Каталог (Удален)";
    const std::u16string date = u"07.12.2026 14:32:54";
    const std::u16string longName(120, u'ш');
    cRecordingForm form([&](cRecordingForm& f) {
        auto* list = f.Add<cListViewChild>(
            0, 0, -1, -1,
            std::vector<cHeaderColumn>{{u"Название", 80}, {u"Тип", 70}, {u"Дата", 60}});
        std::vector<std::unique_ptr<cListViewItemChild>> rows;
        rows.push_back(std::make_unique<cListViewItemChild>(
            std::vector<std::u16string>{u"a.txt", type, date}, 0, 0));
        list->AddItems(std::move(rows));
    });
    cHeadlessHost host(form, 600, 200);
    auto* list = static_cast<cListViewChild*>(form.Children().front().get());
    const cHeaderChild& header = list->Header();
    list->FitColumns(360);
    EXPECT_GE(header.ColumnWidth(0), list->TextExtent(u"Название").w + 16);
    EXPECT_GE(header.ColumnWidth(1), list->TextExtent(type).w + 16);
    EXPECT_GE(header.ColumnWidth(2), list->TextExtent(date).w + 16);
    EXPECT_LT(header.ColumnWidth(1), list->TextExtent(type).w + 40);
    host.Render();
    EXPECT_TRUE(host.SavePng(views_test::ShotPath("views_list_fitted.png")));

    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    rows.push_back(std::make_unique<cListViewItemChild>(
        std::vector<std::u16string>{longName, u"", u""}, 0, 1));
    list->AddItems(std::move(rows));
    list->FitColumns(360);
    EXPECT_EQ(header.ColumnWidth(0), 360);
    EXPECT_GE(header.ColumnWidth(2), list->TextExtent(date).w + 16);
}

} // namespace
