// The tool tip's lifetime: it shows while the pointer rests on its element and goes as
// soon as that element is no longer there for the pointer, or input other than pointer
// movement arrives, whichever control showed it.

#include "gui/controls/hint_master.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/custom_form.h"
#include "gui/painter.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui_test_support.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr int kOpenCommand = 1;

// A tool bar over an empty view; its first button runs a modal form, like a file chooser.
class cToolBarForm : public cCustomForm {
public:
    void OnCreate() override {
        tools = Add<cToolBarChild>(0, 0, -1, cToolBarChild::kHeight);
        tools->AddButton(
            {kOpenCommand, u"Открыть", u"Открыть файл образа диска или виртуальный диск", {}});
        tools->AddButton({2, u"Сохранить", u"Сохранить отмеченное", {}});
    }
    bool OnCommand(cChildElement* source, int kind, int item) override {
        if (kind != kActionActivate || item != kOpenCommand) {
            return false;
        }
        cCustomForm chooser;
        WindowMaker()->RunModal(chooser, 200, 100, this, false);
        return true;
    }
    cChildElement* OpenButton() const { return tools->Children()[0].get(); }
    cToolBarChild* tools = nullptr;
};

// Pixels of the frame inside `area` that differ from the bare form.
int Painted(const cBitmap& frame, const cRect& area) {
    int painted = 0;
    for (int y = area.y; y < area.Bottom(); ++y) {
        for (int x = area.x; x < area.Right(); ++x) {
            painted += (frame.At(x, y) | 0xFF000000u) != theme::kWindow;
        }
    }
    return painted;
}

struct cHintScene {
    cToolBarForm form;
    cHeadlessHost host{form, 480, 200};

    // Rests the pointer on the open button and returns where its tip is drawn.
    cRect HoverOpen() {
        const cPoint at = gui_test::Centre(*form.OpenButton());
        host.MouseMove(at.x, at.y);
        const cHintMaster* hint = cHintMaster::Of(form);
        if (!hint || !hint->IsVisible()) {
            return {};
        }
        return hint->FormRect();
    }
    bool HintShown() {
        const cHintMaster* hint = cHintMaster::Of(form);
        return hint && hint->IsVisible();
    }
};

TEST(GuiHint, GoesWhenItsElementGoesOrOtherInputArrives) {
    struct cCase {
        const char* name;
        std::function<void(cHintScene&)> act;
    };
    const cCase cases[] = {
        {"tool_bar_hidden", [](cHintScene& s) { s.form.tools->SetVisible(false); }},
        {"button_disabled",
         [](cHintScene& s) { s.form.tools->SetButtonEnabled(kOpenCommand, false); }},
        {"tool_bar_disabled", [](cHintScene& s) { s.form.tools->SetEnabled(false); }},
        {"tool_bar_removed", [](cHintScene& s) { s.form.DestroyChild(s.form.tools); }},
        {"key_pressed", [](cHintScene& s) { s.host.Key(key::kDown); }},
        {"wheel_turned", [](cHintScene& s) { s.host.Wheel(-120, 400, 150); }},
        {"pressed_elsewhere", [](cHintScene& s) { s.host.Press(400, 150); }},
        {"pointer_left_window", [](cHintScene& s) { s.host.MouseLeave(); }},
        {"window_deactivated", [](cHintScene& s) { s.host.Focus(false); }},
    };
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.name);
        cHintScene scene;
        const cRect tip = scene.HoverOpen();
        ASSERT_FALSE(tip.Empty());
        EXPECT_EQ(cHintMaster::Of(scene.form)->Shown(),
                  u"Открыть файл образа диска или виртуальный диск");
        EXPECT_GT(Painted(scene.host.Render(), tip), 100);
        c.act(scene);
        EXPECT_FALSE(scene.HintShown());
        EXPECT_EQ(cHintMaster::Of(scene.form)->Owner(), nullptr);
        EXPECT_EQ(Painted(scene.host.Render(), tip), 0);
        EXPECT_TRUE(scene.host.SavePng(gui_test::ShotPath(std::string("hint_") + c.name + ".png")));
    }
}

TEST(GuiHint, AnotherElementLeavingKeepsTheTip) {
    cHintScene scene;
    const cRect tip = scene.HoverOpen();
    ASSERT_FALSE(tip.Empty());
    scene.form.tools->SetButtonEnabled(2, false);
    scene.form.tools->Children()[1]->SetVisible(false);
    EXPECT_TRUE(scene.HintShown());
    EXPECT_GT(Painted(scene.host.Render(), tip), 100);
}

// A view laid over the window after the tip was first made must not cover it.
TEST(GuiHint, StaysAboveElementsAddedAfterIt) {
    struct cView : cChildElement {
        void OnPaint(cCanvas& canvas) override {
            canvas.FillRect(ClientRect(), Rgb(255, 255, 255));
        }
    };
    cHintScene scene;
    ASSERT_FALSE(scene.HoverOpen().Empty());
    scene.host.MouseMove(400, 150);
    EXPECT_FALSE(scene.HintShown());
    scene.form.Add<cView>(0, cToolBarChild::kHeight, -1, -1);
    const cRect tip = scene.HoverOpen();
    ASSERT_FALSE(tip.Empty());
    EXPECT_EQ(scene.form.Children().back().get(), cHintMaster::Of(scene.form));
    // The bubble is dark; the view under it is white.
    const cBitmap& frame = scene.host.Render();
    int dark = 0;
    for (int y = tip.y; y < tip.Bottom(); ++y) {
        for (int x = tip.x; x < tip.Right(); ++x) {
            dark += (frame.At(x, y) & 0xFF) < 0x80;
        }
    }
    EXPECT_GT(dark, tip.w * tip.h / 2);
    EXPECT_TRUE(scene.host.SavePng(gui_test::ShotPath("hint_over_new_view.png")));
}

// The chooser opened from the tool bar, then keys after it closed with the pointer still
// on the button: the click took the tip away, and it stays away on return.
TEST(GuiHint, GoesWhileAModalFormRunsAndOnTheKeyAfterIt) {
    cHintScene* sceneSeen = nullptr;
    bool shownDuringModal = true;
    cHeadlessMaker maker([&](cHeadlessHost& modal) {
        shownDuringModal = sceneSeen->HintShown();
        modal.Key(key::kEnter);
        modal.Key(key::kEscape);
    });
    cHintScene scene;
    sceneSeen = &scene;
    const cPoint at = gui_test::Centre(*scene.form.OpenButton());
    const cRect tip = scene.HoverOpen();
    ASSERT_FALSE(tip.Empty());
    scene.host.Click(at.x, at.y);
    EXPECT_EQ(maker.ModalRuns(), 1);
    EXPECT_FALSE(shownDuringModal);
    // Back in the window, the pointer is found on the button again.
    scene.host.MouseMove(at.x, at.y);
    EXPECT_FALSE(scene.HintShown());
    EXPECT_TRUE(scene.host.SavePng(gui_test::ShotPath("hint_after_modal.png")));
    scene.host.Key(key::kDown);
    scene.host.Key(key::kEnter);
    EXPECT_FALSE(scene.HintShown());
    EXPECT_EQ(Painted(scene.host.Render(), tip), 0);
    EXPECT_TRUE(scene.host.SavePng(gui_test::ShotPath("hint_after_keys.png")));
}

} // namespace

namespace {

// A dialog opened from a tool-bar button takes the window's focus and the pointer; when
// it closes, the pointer is found on the button again without having moved. The tip
// taken away by the click stays away until the pointer goes to another element.
TEST(GuiHint, StaysAwayAfterADialogUntilThePointerMovesOn) {
    cHintScene scene;
    ASSERT_FALSE(scene.HoverOpen().Empty());
    const cPoint open = gui_test::Centre(*scene.form.OpenButton());
    const cPoint save = gui_test::Centre(*scene.form.tools->Children()[1]);
    for (const char* input : {"click", "key"}) {
        SCOPED_TRACE(input);
        scene.host.MouseMove(open.x, open.y);
        if (std::string(input) == "click") {
            scene.host.Press(open.x, open.y);
        } else {
            scene.host.Key(key::kEnter);
        }
        EXPECT_FALSE(scene.HintShown());
        // The dialog: the window loses the focus and the pointer, then gets them back.
        scene.host.Focus(false);
        scene.host.MouseLeave();
        scene.host.Focus(true);
        scene.host.MouseMove(open.x, open.y);
        EXPECT_FALSE(scene.HintShown());
        // Elsewhere and back again, it shows as usual.
        scene.host.MouseMove(save.x, save.y);
        EXPECT_TRUE(scene.HintShown());
        scene.host.MouseMove(open.x, open.y);
        EXPECT_TRUE(scene.HintShown());
    }
}

} // namespace
