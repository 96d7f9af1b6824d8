// Renders controls headless and checks what the pixels say; the pictures are saved for
// people to look at (DROVIK_GUI_SHOTS).

#include "gui/controls/button_child.h"
#include "gui/controls/static_element.h"
#include "gui/custom_form.h"
#include "gui/sdl/font_list.h"
#include "gui/sdl/headless_host.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string ShotPath(const std::string& name) {
    const char* folder = std::getenv("DROVIK_GUI_SHOTS");
    const std::string dir = folder ? folder : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

TEST(GuiRender, FontIsDejaVuAndMeasuresCyrillic) {
    ASSERT_FALSE(cFontList::FontFile(false).empty());
    EXPECT_NE(cFontList::FontFile(false).find("DejaVuSans"), std::string::npos);
    cFontObject* font = cFontList::Instance().Font(StandardFont(eStdFont::Plain));
    ASSERT_NE(font, nullptr);
    EXPECT_GT(font->MeasureText(u"Остановить"), 40);
    EXPECT_EQ(font->MeasureText(u"ab"), font->MeasureText(u"a") + font->MeasureText(u"b"));
    EXPECT_EQ(font->FitChars(u"abc", font->MeasureText(u"ab")), 2u);
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
    // Some dark text pixels inside the label's line.
    int dark = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 12; x < 300; ++x)
            dark += (frame.At(x, y) & 0xFF) < 0x80;
    EXPECT_GT(dark, 100);
    EXPECT_TRUE(host.SavePng(ShotPath("labels.png")));
}

} // namespace
