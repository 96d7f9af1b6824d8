// The element model: the layout rule, routing of pointer and keys, focus order.

#include "gui/clickable.h"
#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"

#include <gtest/gtest.h>

namespace {

struct cCommandLog : cCustomForm {
    bool OnCommand(cChildElement* source, int kind, int item) override {
        commands.emplace_back(kind, item);
        return true;
    }
    std::vector<std::pair<int, int>> commands;
};

TEST(GuiLayout, NegativeSizesReachTheParentsFarEdgeAndFollowResizes) {
    struct cCase {
        int x, y, w, h;
        cRect expected; // in a 200 x 100 parent
    };
    const cCase cases[] = {
        {0, 0, -1, -1, {0, 0, 200, 100}},     // fills the parent
        {10, 20, -1, -1, {10, 20, 190, 80}},  // from its corner to the edges
        {10, 20, -11, 30, {10, 20, 180, 30}}, // leaves a 10-pixel margin
        {5, 5, 50, 40, {5, 5, 50, 40}},       // positive sizes stay as given
        {250, 0, -1, -1, {250, 0, 0, 100}},   // past the edge: empty, never negative
    };
    cCustomForm form;
    cHeadlessHost host(form, 200, 100);
    for (const cCase& c : cases) {
        cChildElement* child = form.Add<cChildElement>(c.x, c.y, c.w, c.h);
        EXPECT_EQ(child->Rect(), c.expected) << c.x << "," << c.y << "," << c.w << "," << c.h;
    }
    host.Resize(300, 150);
    EXPECT_EQ(form.Children()[1]->Rect(), (cRect{10, 20, 290, 130}));
    EXPECT_EQ(form.Children()[2]->Rect(), (cRect{10, 20, 280, 30}));
    EXPECT_EQ(form.Children()[3]->Rect(), (cRect{5, 5, 50, 40}));
}

TEST(GuiRouting, ClickReportsKindFiveAndDragOffCancels) {
    cCommandLog form;
    cHeadlessHost host(form, 200, 100);
    form.Add<cButtonChild>(10, 10, 80, 30, u"Go", 77);
    host.Click(20, 20);
    ASSERT_EQ(form.commands.size(), 1u);
    EXPECT_EQ(form.commands[0], std::make_pair(kActionActivate, 77));
    // Pressed on the button, released outside: no click.
    host.Press(20, 20);
    EXPECT_TRUE(host.MouseCaptured());
    host.MouseMove(150, 80);
    host.Release(150, 80);
    EXPECT_FALSE(host.MouseCaptured());
    EXPECT_EQ(form.commands.size(), 1u);
    // Keyboard: the focused button clicks on Space and Enter.
    host.Key(key::kSpace);
    host.Key(key::kEnter);
    EXPECT_EQ(form.commands.size(), 3u);
}

TEST(GuiRouting, DisabledAndHiddenElementsTakeNoInput) {
    cCommandLog form;
    cHeadlessHost host(form, 200, 100);
    auto* button = form.Add<cButtonChild>(10, 10, 80, 30, u"Go", 1);
    button->SetEnabled(false);
    host.Click(20, 20);
    button->SetEnabled(true);
    button->SetVisible(false);
    host.Click(20, 20);
    EXPECT_TRUE(form.commands.empty());
}

TEST(GuiRouting, HoverFollowsThePointerAndLeavesWithIt) {
    struct cHoverProbe : cClickableElement {};
    cCustomForm form;
    cHeadlessHost host(form, 200, 100);
    auto* a = form.Add<cHoverProbe>(0, 0, 50, 50);
    auto* b = form.Add<cHoverProbe>(60, 0, 50, 50);
    host.MouseMove(10, 10);
    EXPECT_EQ(a->ClickState(), eClickState::Hover);
    host.MouseMove(70, 10);
    EXPECT_EQ(a->ClickState(), eClickState::Normal);
    EXPECT_EQ(b->ClickState(), eClickState::Hover);
    host.MouseLeave();
    EXPECT_EQ(b->ClickState(), eClickState::Normal);
    EXPECT_EQ(form.Hovered(), nullptr);
}

TEST(GuiRouting, TabCyclesFocusThroughEnabledVisibleControlsInTreeOrder) {
    cCustomForm form;
    cHeadlessHost host(form, 300, 100);
    auto* a = form.Add<cButtonChild>(0, 0, 50, 20, u"a", 1);
    auto* panel = form.Add<cChildElement>(0, 30, 300, 50);
    auto* b = panel->Add<cButtonChild>(0, 0, 50, 20, u"b", 2);
    auto* c = form.Add<cButtonChild>(100, 0, 50, 20, u"c", 3);
    auto* hidden = form.Add<cButtonChild>(200, 0, 50, 20, u"d", 4);
    hidden->SetVisible(false);
    a->SetFocus();
    host.Key(key::kTab);
    EXPECT_TRUE(b->HasFocus());
    host.Key(key::kTab);
    EXPECT_TRUE(c->HasFocus());
    host.Key(key::kTab);
    EXPECT_TRUE(a->HasFocus());
    host.Key(key::kTab, mods::kShift);
    EXPECT_TRUE(c->HasFocus());
    // Removing the focused element leaves no dangling focus.
    form.DestroyChild(c);
    EXPECT_EQ(form.Focused(), nullptr);
}

} // namespace

namespace {

TEST(GuiComboBox, LongListsScrollAndTheBoxMayGoWhileOpen) {
    cCommandLog form;
    cHeadlessHost host(form, 300, 400);
    std::vector<std::u16string> items;
    for (int i = 0; i < 30; ++i) {
        items.push_back(u"item " + std::u16string(1, char16_t(u'A' + i % 26)));
    }
    auto* combo = form.Add<cComboBoxChild>(10, 10, 200, 30, items, 0);
    combo->Open();
    ASSERT_NE(form.Popup(), nullptr);
    EXPECT_LE(form.Popup()->Rect().h, 10 * 24 + 8);
    for (int i = 0; i < 15; ++i) {
        host.Key(key::kDown);
    }
    host.Key(key::kEnter);
    EXPECT_EQ(combo->Selected(), 15);
    ASSERT_FALSE(form.commands.empty());
    EXPECT_EQ(form.commands.back(), std::make_pair(kActionSelChange, 15));
    host.Render(); // the list was drawn scrolled without reading past its items

    combo->Open();
    form.DestroyChild(combo);
    host.Render();
    host.Click(5, 395); // the orphaned list closes like any popup
    EXPECT_EQ(form.Popup(), nullptr);
}

} // namespace
