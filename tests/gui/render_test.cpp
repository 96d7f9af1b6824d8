// Renders controls headless and checks what the pixels say; the pictures are saved for
// people to look at (DROVIK_GUI_SHOTS, else the temporary folder).

#include "gui/controls/button_child.h"
#include "gui/controls/combo_box_child.h"
#include "gui/controls/edit_child.h"
#include "gui/controls/picture_element.h"
#include "gui/controls/popup_master.h"
#include "gui/controls/static_element.h"
#include "gui/controls/tool_bar_child.h"
#include "gui/custom_form.h"
#include "gui/message_form.h"
#include "gui/sdl/font_list.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/sdl/program_icon.h"
#include "gui/shape_picture.h"
#include "gui_test_support.h"

#include <gtest/gtest.h>

namespace {

using gui_test::ShotPath;

// Pixels whose blue channel is dark: text and other ink on the light theme.
int InkIn(const cBitmap& frame, const cRect& area) {
    int ink = 0;
    for (int y = area.y; y < area.Bottom(); ++y) {
        for (int x = area.x; x < area.Right(); ++x) {
            ink += (frame.At(x, y) & 0xFF) < 0x80;
        }
    }
    return ink;
}

TEST(GuiRender, FontIsDejaVuAndMeasuresCyrillic) {
    ASSERT_FALSE(cFontList::FontFile(false).empty());
    EXPECT_NE(cFontList::FontFile(false).find("DejaVuSans"), std::string::npos);
    EXPECT_NE(cFontList::FontFile(true).find("DejaVuSans-Bold"), std::string::npos);
    cFontObject* font = cFontList::Instance().Font(StandardFont(eStdFont::Plain));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, cFontList::Instance().Font(StandardFont(eStdFont::Plain))); // created once
    EXPECT_GT(font->MeasureText(u"Остановить"), 40);
    EXPECT_EQ(font->MeasureText(u"ab"), font->MeasureText(u"a") + font->MeasureText(u"b"));
    EXPECT_EQ(font->FitChars(u"abc", font->MeasureText(u"ab")), 2u);
    EXPECT_EQ(font->FitChars(u"a\U0001F600", font->MeasureText(u"a") + 1), 1u); // never half a pair
    EXPECT_EQ(font->MeasureText8("abc"), font->MeasureText(u"abc"));
}

class cLabelsForm : public cCustomForm {
public:
    void OnCreate() override {
        Add<cStaticElement>(12, 10, -13, 20, u"Привет, мир — Hello, world (jgqy)");
        Add<cButtonChild>(12, 40, 110, 28, u"Остановить", 1);
        Add<cButtonChild>(132, 40, 110, 28, u"Ok", 2, true);
    }
};

TEST(GuiRender, LabelAndButtonsDrawText) {
    cLabelsForm form;
    cHeadlessHost host(form, 320, 90);
    const cBitmap& frame = host.Render();
    ASSERT_EQ(frame.Width(), 320);
    EXPECT_GT(InkIn(frame, {12, 10, 290, 20}), 100);
    EXPECT_EQ(InkIn(frame, {12, 72, 290, 16}), 0); // nothing below the buttons
    EXPECT_TRUE(host.SavePng(ShotPath("labels.png")));
}

TEST(GuiRender, RepaintsOnlyWhatChanged) {
    cLabelsForm form;
    cHeadlessHost host(form, 320, 90);
    host.Render();
    auto* label = static_cast<cStaticElement*>(form.Children()[0].get());
    label->SetText(u"");
    EXPECT_TRUE(host.NeedsPaint());
    const cBitmap& frame = host.Render();
    EXPECT_EQ(InkIn(frame, {12, 10, 290, 20}), 0);
    EXPECT_GT(InkIn(frame, {12, 40, 110, 28}), 20); // the buttons were left as they were
    EXPECT_FALSE(host.NeedsPaint());
}

class cStatesForm : public cCustomForm {
public:
    void OnCreate() override {
        auto* tools = Add<cToolBarChild>(0, 0, -1, cToolBarChild::kHeight);
        tools->AddButton({1, u"Открыть", u"Открыть образ диска", {}});
        tools->AddButton({2, u"Сохранить", u"", {}});
        tools->SetButtonEnabled(2, false);
        hovered = Add<cButtonChild>(12, 50, 120, 30, u"Наведено", 10);
        pressed = Add<cButtonChild>(142, 50, 120, 30, u"Нажато", 11);
        Add<cButtonChild>(272, 50, 120, 30, u"Фокус", 12)->SetFocus();
        edit = Add<cEditChild>(12, 96, 380, 30, u"выделенный текст в поле");
        combo = Add<cComboBoxChild>(12, 140, 200, 30,
                                    std::vector<std::u16string>{u"NTFS", u"FAT32", u"Ext4"}, 1);
    }
    cButtonChild* hovered = nullptr;
    cButtonChild* pressed = nullptr;
    cEditChild* edit = nullptr;
    cComboBoxChild* combo = nullptr;
};

TEST(GuiRender, ControlStatesOpenListsMenusAndHints) {
    cStatesForm form;
    cHeadlessHost host(form, 420, 280);
    const cPoint hover = gui_test::Centre(*form.hovered), press = gui_test::Centre(*form.pressed);
    host.MouseMove(hover.x, hover.y);
    host.Press(press.x, press.y);
    EXPECT_EQ(form.pressed->ClickState(), eClickState::Pressed);
    EXPECT_TRUE(host.SavePng(ShotPath("states_pressed.png")));
    host.Release(press.x, press.y);
    form.edit->SetFocus();
    form.edit->Select(0, 10);
    form.combo->Open();
    EXPECT_TRUE(form.combo->IsOpen());
    EXPECT_TRUE(host.SavePng(ShotPath("states_combo_open.png")));
    // Choosing from the list with the keyboard closes it.
    host.Key(key::kDown);
    host.Key(key::kEnter);
    EXPECT_FALSE(form.combo->IsOpen());
    EXPECT_EQ(form.combo->Selected(), 2);
    // A tool tip over the first tool-bar button, then a menu.
    host.MouseMove(20, 18);
    cPopupMaster::Show(form, {150, 120},
                       {{u"Копировать в…", 1},
                        {u"Переименовать", 2, false},
                        {{}, 0, true, true},
                        {u"Удалить", 3}});
    EXPECT_NE(form.Popup(), nullptr);
    EXPECT_TRUE(host.SavePng(ShotPath("states_menu_hint.png")));
    host.Click(5, 270); // outside: closes the menu and does nothing else
    EXPECT_EQ(form.Popup(), nullptr);
}

TEST(GuiRender, MessageBoxes) {
    gui_test::RegisterPacks();
    int shot = 0;
    cHeadlessMaker maker([&](cHeadlessHost& host) {
        EXPECT_TRUE(host.SavePng(ShotPath("message_box_" + std::to_string(shot++) + ".png")));
        host.Key(key::kEscape);
    });
    MessageBoxWarning(
        nullptr, u"Папка назначения находится на том же диске, что и восстанавливаемые данные. "
                 u"Запись на этот диск может затереть файлы, которые ещё можно восстановить.");
    MessageBoxError(nullptr, u"Не удалось прочитать сектор 1 048 576.");
    MessageBoxConfirm(nullptr, u"Файл «отчёт.txt» уже существует.\nЗаменить его?");
    EXPECT_EQ(shot, 3);
    EXPECT_LE(maker.LastModalSize().w, cMessageForm::kMaxTextWidth + 120);
}

} // namespace

namespace {

// Soft edges drawn onto a see-through picture keep their colour and only fade out; they
// used to be mixed with the transparent pixels' black, which left icons with dark rims.
TEST(GuiRender, ShapesOnTransparentPicturesKeepTheirColourAtTheEdges) {
    const cColor white = Rgb(0xFF, 0xFF, 0xFF);
    const cBitmap disc = DrawShapePicture(20, 20, [&](cCanvas& canvas) {
        canvas.FillEllipse({1, 1, 18, 18}, white);
    });
    int soft = 0;
    for (const cColor pixel : disc.Pixels()) {
        if (AlphaOf(pixel) == 0) {
            continue;
        }
        EXPECT_EQ(pixel & 0xFFFFFFu, 0xFFFFFFu);
        soft += AlphaOf(pixel) < 255;
    }
    EXPECT_GT(soft, 8); // the edge really is soft
    // A half-covered pixel over an opaque one blends as before.
    EXPECT_EQ(BlendOver(Rgb(0, 0, 0), WithAlpha(white, 128)), Rgb(0x80, 0x80, 0x80));
}

TEST(GuiRender, ProgramIconIsDrawnForItsIdOnly) {
    const cBitmap icon = program_icon::Draw(program_icon::kIconId, 48);
    ASSERT_EQ(icon.Width(), 48);
    EXPECT_EQ(AlphaOf(icon.At(24, 24)), 255);
    EXPECT_TRUE(program_icon::Draw(102).Empty());
    cCustomForm form;
    cHeadlessHost host(form, 64, 64);
    form.Add<cPictureElement>(8, 8, 48, 48, icon);
    EXPECT_TRUE(host.SavePng(ShotPath("program_icon.png")));
}

} // namespace
