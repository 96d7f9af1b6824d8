// A tool bar narrower than its captions: the widest captions give way to their icons
// until the buttons fit, a wider bar brings them back, and a button without its caption
// names itself in its tool tip.

#include "gui/controls/hint_master.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"
#include "gui_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int kIcon = 20;

class cBarForm : public cCustomForm {
public:
    void OnCreate() override {
        tools = Add<cToolBarChild>(0, 0, -1, cToolBarChild::kHeight);
        const cBitmap icon(kIcon, kIcon, Rgb(0x25, 0x63, 0xEB));
        tools->AddButton({1, u"Разделы", u"Вернуться к списку", icon});
        tools->AddButton(
            {2, u"Загрузить результат сканирования", u"Загрузить ранее сохраненный", icon});
        tools->AddSeparator();
        tools->AddButton({3, u"Сохранить выделенное", u"Скопировать выделенное", icon});
        tools->AddButton({4, u"Без значка", u"", {}});
    }
    const cRect& Button(int index) const { return tools->Children()[index]->Rect(); }
    cToolBarChild* tools = nullptr;
};

TEST(GuiToolBar, NarrowBarsDropTheWidestCaptionsFirst) {
    gui_test::RegisterPacks();
    cBarForm form;
    cHeadlessHost host(form, 900, 80);
    const int parts = form.Button(0).w, load = form.Button(1).w, save = form.Button(3).w,
              plain = form.Button(4).w;
    EXPECT_GT(load, save);
    EXPECT_GT(save, parts);
    const int iconOnly = 12 + kIcon;

    // Room for all but the widest caption: 4 before the first, 2 after each, 9 of separator.
    host.Resize(4 + parts + iconOnly + 9 + save + plain + 5 * 2, 80);
    EXPECT_EQ(form.Button(0).w, parts);
    EXPECT_EQ(form.Button(1).w, iconOnly);
    EXPECT_EQ(form.Button(3).w, save);
    host.Render();
    EXPECT_TRUE(host.SavePng(gui_test::ShotPath("tool_bar_narrow.png")));
    const cRect second = form.Button(1);
    host.MouseMove(second.x + second.w / 2, second.y + second.h / 2);
    ASSERT_NE(cHintMaster::Of(form), nullptr);
    EXPECT_EQ(cHintMaster::Of(form)->Shown(),
              u"Загрузить результат сканирования: Загрузить ранее сохраненный");

    // Narrower still: every button with an icon gives its caption up; one without an icon
    // keeps it, and the buttons stay in their order, side by side.
    host.Resize(160, 80);
    EXPECT_EQ(form.Button(0).w, iconOnly);
    EXPECT_EQ(form.Button(3).w, iconOnly);
    EXPECT_EQ(form.Button(4).w, plain);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(form.Button(i).x, form.Button(i - 1).x + form.Button(i - 1).w + 2);
    }

    host.Resize(900, 80);
    EXPECT_EQ(form.Button(1).w, load);
}

} // namespace
