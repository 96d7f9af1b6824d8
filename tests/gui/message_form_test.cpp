// Message boxes: texts, icons, buttons and results of the four operations.

#include "gui/message_form.h"
#include "gui/sdl/headless_maker.h"
#include "gui_test_support.h"

#include <gtest/gtest.h>

namespace {

using gui_test::Centre;
using gui_test::FindButton;

struct cBoxCase {
    const char* name;
    int operation; // 0 warning, 1 error, 2 confirm, 3 question
    int press;     // command to click, 0 for the close box
    std::u16string caption;
    int expected; // 1 true, 0 false, -1 no result
};

int RunOperation(int operation, std::u16string text) {
    switch (operation) {
    case 0:
        MessageBoxWarning(nullptr, text);
        return -1;
    case 1:
        MessageBoxError(nullptr, text);
        return -1;
    case 2:
        return MessageBoxConfirm(nullptr, text) ? 1 : 0;
    default:
        return MessageBoxQuestion(nullptr, text) ? 1 : 0;
    }
}

TEST(GuiMessageBox, EachOperationShowsItsCaptionAndButtonsAndAnswers) {
    gui_test::RegisterPacks();
    const cBoxCase cases[] = {
        {"warning ok", 0, cMessageForm::kCommandOk, u"Предупреждение", -1},
        {"error ok", 1, cMessageForm::kCommandOk, u"Ошибка", -1},
        {"confirm yes", 2, cMessageForm::kCommandYes, u"Подтверждение", 1},
        {"confirm no", 2, cMessageForm::kCommandNo, u"Подтверждение", 0},
        {"confirm closed", 2, 0, u"Подтверждение", 0},
        {"question yes", 3, cMessageForm::kCommandYes, u"Подтверждение", 1},
        {"question no", 3, cMessageForm::kCommandNo, u"Подтверждение", 0},
    };
    for (const cBoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string caption;
        bool hasYes = false, hasOk = false;
        cHeadlessMaker maker([&](cHeadlessHost& host) {
            auto& form = static_cast<cMessageForm&>(host.Form());
            caption = form.Caption();
            hasOk = FindButton(form, cMessageForm::kCommandOk) != nullptr;
            hasYes = FindButton(form, cMessageForm::kCommandYes) &&
                     FindButton(form, cMessageForm::kCommandNo);
            if (c.press == 0) {
                return host.RequestClose();
            }
            const cPoint at = Centre(*FindButton(form, c.press));
            host.Click(at.x, at.y);
        });
        const int answer = RunOperation(c.operation, u"Файл уже существует.");
        EXPECT_EQ(maker.ModalRuns(), 1);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(hasOk, c.operation < 2);
        EXPECT_EQ(hasYes, c.operation >= 2);
        EXPECT_EQ(answer, c.expected);
    }
}

TEST(GuiMessageBox, ButtonTextsComeFromTheSectionAndKeysAnswer) {
    gui_test::RegisterPacks();
    std::u16string yes, no;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        yes = FindButton(host.Form(), cMessageForm::kCommandYes)->Caption();
        no = FindButton(host.Form(), cMessageForm::kCommandNo)->Caption();
        host.Key(key::kEnter); // Yes has the focus
    });
    EXPECT_TRUE(MessageBoxConfirm(nullptr, u"?"));
    EXPECT_EQ(yes, u"Да");
    EXPECT_EQ(no, u"Нет");
    maker.SetDriver([](cHeadlessHost& host) { host.Key(key::kEscape); });
    EXPECT_FALSE(MessageBoxQuestion(nullptr, u"?"));
}

TEST(GuiMessageBox, LongTextsWrapIntoLinesWithinTheWidth) {
    auto measure = [](std::u16string_view text) { return cSize{int(text.size()) * 10, 15}; };
    const auto tokens = text_wrap::Tokenize(u"one two three\r\nfour fivesixseveneight");
    ASSERT_EQ(tokens.size(), 6u);
    EXPECT_TRUE(tokens[3].lineBreak);
    const auto lines = text_wrap::Wrap(tokens, 80, measure);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], u"one two ");
    EXPECT_EQ(lines[1], u"three");
    EXPECT_EQ(lines[2], u"four ");
    // Too long for any line (a long path): cut where the width ends, nothing lost.
    EXPECT_EQ(lines[3], u"fivesixs");
    EXPECT_EQ(lines[4], u"eveneigh");
    EXPECT_EQ(lines[5], u"t");
    const auto pair = text_wrap::Wrap(text_wrap::Tokenize(u"ab\U0001F600cd"), 30, measure);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_EQ(pair[0], u"ab\U0001F600"); // a surrogate pair is never split
    EXPECT_EQ(pair[1], u"cd");
}

TEST(GuiMessageBox, WithoutAWindowMakerNothingIsShownAndTheAnswerIsNo) {
    ASSERT_EQ(WindowMaker(), nullptr);
    EXPECT_FALSE(MessageBoxConfirm(nullptr, u"?"));
}

} // namespace
