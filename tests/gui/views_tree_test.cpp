// The tree view: rows follow expansion, refills keep what the user opened and selected,
// keyboard navigation, and a deep tree of a hundred thousand nodes renders.

#include "base/utf.h"
#include "gui/sdl/headless_host.h"
#include "gui/views/tree_view_child.h"
#include "views_support.h"

#include <gtest/gtest.h>

using views_test::cRecordingForm;

namespace {

struct cTreeFixture {
    cTreeFixture()
        : form([&](cRecordingForm& f) { tree = f.Add<cTreeViewChild>(0, 0, -1, -1); }),
          host(form, 300, 240) {}

    // a/{a1/{x}, a2}, b/{b1}, c
    void Fill() {
        cTreeItemElement* a = Add(nullptr, u"a");
        cTreeItemElement* a1 = Add(a, u"a1");
        Add(a1, u"x");
        Add(a, u"a2");
        Add(Add(nullptr, u"b"), u"b1");
        Add(nullptr, u"c");
    }
    cTreeItemElement* Add(cTreeItemElement* parent, std::u16string text) {
        return tree->AddItem(parent, std::make_unique<cTreeItemElement>(std::move(text)));
    }
    std::u16string Rows() const {
        std::u16string rows;
        for (int i = 0; i < tree->RowCount(); ++i) {
            rows += tree->RowItem(i)->Text() + u" ";
        }
        return rows;
    }
    cTreeItemElement* Find(std::u16string_view text) const {
        for (int i = 0; i < tree->RowCount(); ++i) {
            if (tree->RowItem(i)->Text() == text) {
                return tree->RowItem(i);
            }
        }
        return nullptr;
    }

    cTreeViewChild* tree = nullptr;
    cRecordingForm form;
    cHeadlessHost host;
};

TEST(TreeView, RowsFollowExpansionAndRefillsKeepIt) {
    cTreeFixture f;
    f.Fill();
    EXPECT_EQ(f.Rows(), u"a b c ");
    f.tree->Expand(f.Find(u"a"), true);
    f.tree->Expand(f.Find(u"a1"), true);
    EXPECT_EQ(f.Rows(), u"a a1 x a2 b c ");
    f.tree->Select(f.Find(u"x"));

    // The owner lists everything again: same paths, new nodes.
    f.tree->Clear();
    EXPECT_EQ(f.tree->Selected(), nullptr);
    f.Fill();
    EXPECT_EQ(f.Rows(), u"a a1 x a2 b c ");
    ASSERT_NE(f.tree->Selected(), nullptr);
    EXPECT_EQ(f.tree->Selected()->Text(), u"x");

    // Closing a node holding the selection moves it to the node; a later refill keeps
    // the node closed.
    f.tree->Expand(f.Find(u"a1"), false);
    EXPECT_EQ(f.tree->Selected()->Text(), u"a1");
    f.tree->Clear();
    f.Fill();
    EXPECT_EQ(f.Rows(), u"a a1 a2 b c ");

    // Refilling one node's children keeps the expansion below it.
    f.tree->Expand(f.Find(u"a1"), true);
    cTreeItemElement* a = f.Find(u"a");
    f.tree->ClearChildren(a);
    EXPECT_EQ(f.Rows(), u"a b c ");
    cTreeItemElement* a1 = f.Add(a, u"a1");
    f.Add(a1, u"x");
    EXPECT_EQ(f.Rows(), u"a a1 x b c ");
}

TEST(TreeView, KeyboardAndMouseNavigate) {
    cTreeFixture f;
    f.Fill();
    f.tree->SetFocus();
    f.host.Key(key::kDown); // nothing selected: the first row
    EXPECT_EQ(f.tree->Selected()->Text(), u"a");
    f.host.Key(key::kRight); // opens
    f.host.Key(key::kRight); // moves to the first child
    EXPECT_EQ(f.tree->Selected()->Text(), u"a1");
    f.host.Key(key::kLeft); // closed already: to the parent
    EXPECT_EQ(f.tree->Selected()->Text(), u"a");
    f.host.Key(key::kLeft); // closes
    EXPECT_EQ(f.Rows(), u"a b c ");
    f.host.Key(key::kEnd);
    EXPECT_EQ(f.tree->Selected()->Text(), u"c");

    // A click on the control of row 1 ("b") opens it; a double click on a leaf activates.
    const int rowY = 1 + cTreeViewChild::kRowHeight + cTreeViewChild::kRowHeight / 2;
    f.host.Click(1 + 4 + 8, rowY);
    EXPECT_EQ(f.Rows(), u"a b b1 c ");
    f.host.DoubleClick(80, 1 + 2 * cTreeViewChild::kRowHeight + 5);
    f.host.Press(80, 1 + 3 * cTreeViewChild::kRowHeight + 5, eMouseButton::Right);
    f.host.RunWakeUps();
    bool expanded = false, activated = false, menu = false;
    for (const auto& c : f.form.commands) {
        expanded |= c.kind == kActionTreeExpand && c.item == 1;
        activated |= c.kind == kActionDoubleClick && c.item == 2;
        menu |= c.kind == kActionTreeItemCtx && c.item == 3;
    }
    EXPECT_TRUE(expanded);
    EXPECT_TRUE(activated);
    EXPECT_TRUE(menu);
    EXPECT_EQ(f.tree->Selected()->Text(), u"c");
}

// The tree is as wide as its rows, and selecting a row does not move it sideways as long
// as the row's control is in sight: only the reader scrolls it.
TEST(TreeView, ScrollsSidewaysOnlyWhenTheReaderDoes) {
    cTreeFixture f;
    f.Fill();
    f.tree->ExpandAll(nullptr);
    EXPECT_LE(f.tree->ContentSize().w, f.tree->Viewport().w);
    cTreeItemElement* node = f.Find(u"a1");
    for (int i = 0; i < 16; ++i) {
        node = f.Add(node, u"глубоко вложенная папка " + utf::FromAscii(std::to_string(i)));
    }
    f.tree->ExpandAll(nullptr);
    const int wide = f.tree->ContentSize().w;
    EXPECT_GT(wide, f.tree->Viewport().w);
    f.tree->Select(f.Find(u"глубоко вложенная папка 3"));
    EXPECT_EQ(f.tree->ScrollPos().x, 0);
    f.tree->ScrollTo({40, 0});
    f.tree->Select(f.Find(u"глубоко вложенная папка 4"));
    EXPECT_EQ(f.tree->ScrollPos().x, 40);
    f.tree->Select(f.Find(u"глубоко вложенная папка 2"));
    EXPECT_EQ(f.tree->ScrollPos().x, 40);
    // A node whose control is out of sight comes into view.
    f.tree->ScrollTo({0, 0});
    f.tree->Select(f.Find(u"глубоко вложенная папка 15"));
    EXPECT_GT(f.tree->ScrollPos().x, 0);
    f.host.Render();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_tree_sideways.png")));
}

TEST(TreeView, DeepTreeOfAHundredThousandNodesRenders) {
    cTreeFixture f;
    // Forty levels deep along the first child, the rest wide.
    cTreeItemElement* parent = nullptr;
    int made = 0;
    for (int level = 0; level < 40; ++level) {
        cTreeItemElement* first = nullptr;
        for (int i = 0; i < 2500; ++i, ++made) {
            auto* node =
                f.tree->AddItem(parent, std::make_unique<cTreeItemElement>(
                                            u"node " + utf::FromAscii(std::to_string(made))));
            if (!first) {
                first = node;
            }
        }
        parent = first;
    }
    EXPECT_EQ(made, 100'000);
    f.tree->ExpandAll(nullptr);
    EXPECT_EQ(f.tree->RowCount(), 100'000);
    f.tree->Select(f.tree->RowItem(39)); // the deepest level's first node
    f.tree->SetFocus();
    f.host.Render();
    EXPECT_TRUE(f.host.SavePng(views_test::ShotPath("views_tree_deep.png")));
}

} // namespace
