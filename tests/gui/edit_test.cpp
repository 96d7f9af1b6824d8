// The text field: caret and selection by keyboard and mouse, clipboard, limits.

#include "gui/controls/edit_child.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"

#include <gtest/gtest.h>

namespace {

struct cEditFixture : ::testing::Test {
    cCustomForm form;
    cHeadlessHost host{form, 300, 60};
    cEditChild* edit = form.Add<cEditChild>(10, 10, 280, 28, u"hello world");
    void SetUp() override { edit->SetFocus(); }
};

TEST_F(cEditFixture, KeyboardSelectionAndReplacement) {
    host.Key(key::kHome);
    host.Key(key::kRight, mods::kShift | mods::kCtrl); // "hello "
    EXPECT_EQ(edit->SelectedText(), u"hello ");
    host.Type(u"Привет ");
    EXPECT_EQ(edit->Text(), u"Привет world");
    host.Key(key::kEnd);
    host.Key(key::kBackspace);
    host.Key(key::kLeft, mods::kShift);
    EXPECT_EQ(edit->SelectedText(), u"l");
    host.Key(key::kDelete);
    EXPECT_EQ(edit->Text(), u"Привет wor");
    host.Key('A', mods::kCtrl);
    EXPECT_EQ(edit->SelectionStart(), 0u);
    EXPECT_EQ(edit->SelectionEnd(), edit->Text().size());
}

TEST_F(cEditFixture, ClipboardCopyCutPaste) {
    edit->Select(0, 5);
    host.Key('C', mods::kCtrl);
    EXPECT_EQ(host.ClipboardText().value_or(u""), u"hello");
    host.Key(key::kEnd);
    host.Key('V', mods::kCtrl);
    EXPECT_EQ(edit->Text(), u"hello worldhello");
    edit->Select(5, 11);
    host.Key('X', mods::kCtrl);
    EXPECT_EQ(edit->Text(), u"hellohello");
    EXPECT_EQ(host.ClipboardText().value_or(u""), u" world");
    // Only the first line of a multi-line clipboard is pasted, control characters blanked.
    host.SetClipboardText(u"a\tb\nsecond line");
    edit->SelectAll();
    host.Key(key::kInsert, mods::kShift);
    EXPECT_EQ(edit->Text(), u"a b");
    // Raw bytes are not text: nothing to paste.
    const std::uint8_t bytes[] = {1, 2, 3};
    host.SetClipboardBytes(bytes);
    EXPECT_FALSE(host.ClipboardHasData(true));
    EXPECT_TRUE(host.ClipboardHasData(false));
    EXPECT_FALSE(edit->Paste());
}

TEST_F(cEditFixture, MouseClickPlacesCaretAndDragSelects) {
    host.Click(11, 20); // at the left padding: before the first character
    EXPECT_EQ(edit->Caret(), 0u);
    EXPECT_EQ(edit->SelectedText(), u"");
    host.Press(11, 20);
    host.MouseMove(285, 20);
    host.Release(285, 20);
    EXPECT_EQ(edit->SelectedText(), u"hello world");
    host.DoubleClick(14, 20);
    EXPECT_EQ(edit->SelectedText(), u"hello");
}

TEST_F(cEditFixture, SurrogatePairsAndLimits) {
    edit->SetText(u"a\U0001F600b");
    host.Key(key::kEnd);
    host.Key(key::kLeft);
    host.Key(key::kLeft); // over the pair in one step
    EXPECT_EQ(edit->Caret(), 1u);
    host.Key(key::kDelete);
    EXPECT_EQ(edit->Text(), u"ab");
    edit->SetMaxLength(3);
    host.Type(u"xyz");
    EXPECT_EQ(edit->Text(), u"ab"); // would exceed the limit: refused whole
    edit->SetReadOnly(true);
    host.Type(u"x");
    EXPECT_EQ(edit->Text(), u"ab");
}

} // namespace
