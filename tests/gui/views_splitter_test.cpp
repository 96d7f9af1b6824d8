// Splitters and the simple list: dividers drag within limits and report, panes shrink
// with the splitter and grow back to what was asked, column edges resize list columns.

#include "gui/sdl/headless_host.h"
#include "gui/views/list_view_child.h"
#include "gui/views/simple_list_view_element.h"
#include "gui/views/splitter_child.h"
#include "views_support.h"

#include <gtest/gtest.h>

using views_test::cRecordingForm;

namespace {

TEST(Splitter, DividerDragsWithinLimitsAndReports) {
    cSplitterChild* split = nullptr;
    cRecordingForm form([&](cRecordingForm& f) {
        split = f.Add<cSplitterChild>(0, 0, -1, -1, std::vector<int>{200, 0});
        split->AddPane<cChildElement>();
        split->AddPane<cChildElement>();
    });
    cHeadlessHost host(form, 600, 300);
    EXPECT_EQ(split->Children()[1]->Rect().x, 206);
    EXPECT_EQ(split->Children()[1]->Rect().w, 394);
    EXPECT_EQ(split->CursorKind({203, 50}), kCursorSizeWE);
    host.Press(203, 50);
    host.MouseMove(303, 50);
    host.MouseMove(353, 50);
    host.Release(353, 50);
    EXPECT_EQ(split->PaneExtent(0), 350);
    EXPECT_EQ(split->Children()[0]->Rect().w, 350);
    host.RunWakeUps();
    int reports = 0;
    for (const auto& c : form.commands) {
        reports += c.kind == kActionResizeRequest && c.item == 0;
    }
    EXPECT_EQ(reports, 1); // the moves of one drag are merged
    // Dragged past the end, the second pane keeps its minimum.
    host.Press(353, 50);
    host.MouseMove(1000, 50);
    host.Release(1000, 50);
    EXPECT_EQ(split->PaneExtent(1), 24);

    // A narrower window squeezes the first pane; a wider one gives back what was asked.
    split->SetPaneExtent(0, 400);
    host.Resize(200, 300);
    EXPECT_EQ(split->PaneExtent(0), 200 - 6 - 24);
    host.Resize(600, 300);
    EXPECT_EQ(split->PaneExtent(0), 400);
}

TEST(Splitter, VerticalSplitterStacksPanes) {
    cVSplitterChild* split = nullptr;
    cRecordingForm form([&](cRecordingForm& f) {
        split = f.Add<cVSplitterChild>(0, 0, -1, -1, std::vector<int>{100, 0});
        split->AddPane<cChildElement>();
        split->AddPane<cChildElement>();
    });
    cHeadlessHost host(form, 300, 400);
    EXPECT_EQ(split->Children()[1]->Rect().y, 106);
    EXPECT_EQ(split->CursorKind({150, 103}), kCursorSizeNS);
    host.Press(150, 103);
    host.MouseMove(150, 203);
    host.Release(150, 203);
    EXPECT_EQ(split->PaneExtent(0), 200);
}

TEST(Splitter, HeaderEdgeResizesAColumn) {
    cListViewChild* list = nullptr;
    cRecordingForm form([&](cRecordingForm& f) {
        list = f.Add<cListViewChild>(0, 0, -1, -1,
                                     std::vector<cHeaderColumn>{{u"Name", 200}, {u"Size", 100}});
    });
    cHeadlessHost host(form, 500, 200);
    EXPECT_EQ(list->ContentSize().w, 300);
    host.Press(1 + 200, 10);
    host.MouseMove(1 + 260, 10);
    host.Release(1 + 260, 10);
    EXPECT_EQ(list->Header().ColumnWidth(0), 260);
    host.RunWakeUps();
    EXPECT_EQ(list->ContentSize().w, 360);
    EXPECT_EQ(list->SortColumn(), -1); // dragging an edge is no column click
}

TEST(SimpleList, SelectsActivatesAndAsksForMenus) {
    cSimpleListViewElement* list = nullptr;
    cRecordingForm form([&](cRecordingForm& f) {
        list = f.Add<cSimpleListViewElement>(0, 0, -1, -1);
        std::vector<cSimpleListViewItemChild> items;
        for (int i = 0; i < 50; ++i) {
            items.emplace_back(u"item " + std::u16string(1, char16_t(u'A' + i % 26)));
        }
        list->SetItems(std::move(items));
    });
    cHeadlessHost host(form, 200, 120);
    const int row = cSimpleListViewElement::kRowHeight;
    host.Click(50, 1 + row + 5);
    EXPECT_EQ(list->Selected(), 1);
    host.Key(key::kEnd);
    EXPECT_EQ(list->Selected(), 49);
    EXPECT_EQ(list->ScrollPos().y, list->VerticalAxis().MaxPosition());
    host.Key(key::kEnter);
    host.Key(key::kHome);
    host.Press(50, 1 + 2 * row + 5, eMouseButton::Right);
    host.RunWakeUps();
    bool activated = false, menu = false, selected = false;
    for (const auto& c : form.commands) {
        activated |= c.kind == kActionDoubleClick && c.item == 49;
        menu |= c.kind == kActionSimpleListCtx && c.item == 2;
        selected |= c.kind == kActionSimpleListItem && c.item == 1;
    }
    EXPECT_TRUE(activated);
    EXPECT_TRUE(menu);
    EXPECT_TRUE(selected);
}

} // namespace
