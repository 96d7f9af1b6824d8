// The conflict question: each button's answer, with and without "apply to all", and a
// window closed without an answer.

#include "app/copy_window/overwrite_action_ui.h"
#include "gui/controls/check_box_child.h"
#include "gui/gui_test_support.h"
#include "gui/sdl/headless_maker.h"

#include <gtest/gtest.h>

namespace {

cCheckBoxChild* FindCheckBox(cChildElement& root) {
    for (const auto& child : root.Children()) {
        if (auto* box = dynamic_cast<cCheckBoxChild*>(child.get())) {
            return box;
        }
    }
    return nullptr;
}

void Click(cHeadlessHost& host, const cChildElement& element) {
    const cPoint centre = gui_test::Centre(element);
    host.Click(centre.x, centre.y);
}

TEST(OverwriteQuestion, EachButtonAnswersAndTheBoxAppliesItToAll) {
    using UI = cCopyFilesOverwriteActionUI;
    struct Case {
        int button;
        bool tick;
        cConflictChoice choice;
    };
    const Case cases[] = {
        {UI::kCommandReplace, false, cConflictChoice::Replace},
        {UI::kCommandReplace, true, cConflictChoice::Replace},
        {UI::kCommandKeep, false, cConflictChoice::KeepExisting},
        {UI::kCommandKeep, true, cConflictChoice::KeepExisting},
        {UI::kCommandRename, false, cConflictChoice::Rename},
        {UI::kCommandRename, true, cConflictChoice::Rename},
    };
    gui_test::RegisterPacks();
    cHeadlessMaker maker; // measures the captions
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << " tick " << c.tick);
        UI form;
        cHeadlessHost host(form, form.PreferredWidth(), UI::kHeight, true);
        cCheckBoxChild* box = FindCheckBox(form);
        ASSERT_TRUE(box);
        if (c.tick) {
            Click(host, *box);
            EXPECT_TRUE(box->IsChecked());
            EXPECT_FALSE(host.EndCode()); // the box alone answers nothing
        }
        cButtonChild* button = gui_test::FindButton(form, c.button);
        ASSERT_TRUE(button);
        Click(host, *button);
        EXPECT_EQ(host.EndCode(), 1);
        EXPECT_GT(form.PreferredWidth(), UI::kWidth); // the answers are long
        EXPECT_EQ(form.Reply().choice, c.choice);
        EXPECT_EQ(form.Reply().applyToAll, c.tick);
        if (c.button == UI::kCommandKeep && c.tick) {
            EXPECT_TRUE(host.SavePng(gui_test::ShotPath("overwrite_question.png")));
        }
    }
}

TEST(OverwriteQuestion, ClosingWithoutAnAnswerKeepsTheExistingFile) {
    gui_test::RegisterPacks();
    cCopyFilesOverwriteActionUI form;
    cHeadlessHost host(form, form.kWidth, form.kHeight, true);
    Click(host, *FindCheckBox(form));
    host.RequestClose();
    EXPECT_EQ(host.EndCode(), 0);
    EXPECT_EQ(form.Reply().choice, cConflictChoice::KeepExisting);
    EXPECT_FALSE(form.Reply().applyToAll);
}

} // namespace
