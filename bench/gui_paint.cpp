// Painting a form full of text off screen, the way every window frame is drawn: the
// whole element tree into the software frame, glyphs from the cache. Goal: a form of a
// few hundred labels well under 8 ms per frame. Also measures text measurement, which
// layouts call often and which must come from cached glyph advances.
//
// usage: bench_gui_paint [benchmark flags]

#include "base/utf.h"
#include "gui/controls/button_child.h"
#include "gui/controls/check_box_child.h"
#include "gui/controls/static_element.h"
#include "gui/custom_form.h"
#include "gui/sdl/font_list.h"
#include "gui/sdl/headless_host.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A grid of labels in Latin and Cyrillic, like a listing: 4 columns of rows 18 px apart.
class cLabelForm : public cCustomForm {
public:
    explicit cLabelForm(int labels) : labels_(labels) {}
    void OnCreate() override {
        const int rows = (labels_ + 3) / 4;
        for (int i = 0; i < labels_; ++i) {
            const int column = i / rows, row = i % rows;
            std::u16string text = (i % 2 ? u"Документ_" : u"report-") +
                                  utf::FromAscii(std::to_string(i)) +
                                  (i % 3 ? u".txt  12 345 байт" : u".dat  1 048 576 bytes");
            Add<cStaticElement>(8 + column * 254, 4 + row * (kHeight - 8) / rows, 248, 16,
                                std::move(text));
        }
    }

private:
    int labels_;
};

// The same number of elements, as a mix of the basic controls.
class cControlsForm : public cCustomForm {
public:
    explicit cControlsForm(int controls) : controls_(controls) {}
    void OnCreate() override {
        const int rows = (controls_ + 3) / 4;
        for (int i = 0; i < controls_; ++i) {
            const int x = 8 + (i / rows) * 254, y = 4 + (i % rows) * (kHeight - 8) / rows;
            if (i % 3 == 0) {
                Add<cButtonChild>(x, y, 200, 24, u"Кнопка " + utf::FromAscii(std::to_string(i)), i,
                                  i % 6 == 0);
            } else if (i % 3 == 1) {
                Add<cCheckBoxChild>(x, y, 200, 22, u"Флажок " + utf::FromAscii(std::to_string(i)),
                                    i, i % 2);
            } else {
                Add<cStaticElement>(x, y, 200, 20, u"Label " + utf::FromAscii(std::to_string(i)));
            }
        }
    }

private:
    int controls_;
};

template <class Form> void PaintFrames(benchmark::State& state) {
    Form form(int(state.range(0)));
    cHeadlessHost host(form, kWidth, kHeight);
    host.Render(); // glyphs rasterised once, as after a window's first frame
    // The time per iteration is the time per frame.
    for (auto _ : state) {
        host.Invalidate(nullptr);
        benchmark::DoNotOptimize(host.Render().Pixels().data());
    }
}

void BM_PaintLabels(benchmark::State& state) {
    PaintFrames<cLabelForm>(state);
}
BENCHMARK(BM_PaintLabels)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PaintControls(benchmark::State& state) {
    PaintFrames<cControlsForm>(state);
}
BENCHMARK(BM_PaintControls)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MeasureText(benchmark::State& state) {
    cFontObject* font = cFontList::Instance().Font(StandardFont(eStdFont::Plain));
    const std::u16string text = u"Восстановленные файлы/отчёт о копировании.txt";
    font->MeasureText(text);
    for (auto _ : state) {
        benchmark::DoNotOptimize(font->MeasureText(text));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeasureText);

} // namespace

BENCHMARK_MAIN();
