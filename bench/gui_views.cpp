// The views with very large contents, as a recovered folder gives them: a list view of
// 200,000 rows filled, sorted by name and painted one scrolled frame at a time, and a
// tree of 100,000 nodes expanded and painted. Goals: fill and sort under 300 ms each, a
// frame under 8 ms. Peak memory of the filled list is reported as counters (resident
// growth while filling, and the process's high-water mark).
//
// usage: bench_gui_views [benchmark flags]

#include "base/utf.h"
#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"
#include "gui/views/list_view_child.h"
#include "gui/views/tree_view_child.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

namespace {

constexpr int kRows = 200'000;
constexpr int kNodes = 100'000;
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
double StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            return std::stod(line.substr(field.size() + 1));
        }
    }
    return 0;
}

// Names as a listing has them: mixed case, Latin and Cyrillic, numbered out of order.
std::vector<std::unique_ptr<cListViewItemChild>> MakeRows() {
    std::vector<std::unique_ptr<cListViewItemChild>> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const int n = int((std::uint64_t(i) * 7919) % kRows);
        const std::u16string number = utf::FromAscii(std::to_string(n));
        rows.push_back(std::make_unique<cListViewItemChild>(
            std::vector<std::u16string>{(i % 3   ? u"Document_"
                                         : i % 2 ? u"фото-"
                                                 : u"IMG_") +
                                            number + (i % 2 ? u".jpg" : u".doc"),
                                        number + u" KB", u"File",
                                        u"2024-03-1" + number.substr(0, 1)},
            std::uint64_t(n) * 1024, std::uintptr_t(i)));
    }
    return rows;
}

class cListForm : public cCustomForm {
public:
    void OnCreate() override {
        list = Add<cListViewChild>(
            0, 0, -1, -1,
            std::vector<cHeaderColumn>{
                {u"Name", 360}, {u"Size", 120, eAlign::Right}, {u"Type", 120}, {u"Modified", 180}});
        list->SetSortProvider(0, std::make_unique<cListViewChild::cListViewNameSortProvider>());
        list->SetCheckBoxes(true);
    }
    cListViewChild* list = nullptr;
};

void BM_ListFill(benchmark::State& state) {
    double grown = 0;
    for (auto _ : state) {
        cListForm form;
        cHeadlessHost host(form, kWidth, kHeight);
        const double before = StatusKiB("VmRSS");
        form.list->AddItems(MakeRows());
        grown = std::max(grown, StatusKiB("VmRSS") - before);
        benchmark::DoNotOptimize(form.list->ItemCount());
        state.PauseTiming(); // the teardown is not the fill
        form.list->Clear();
        state.ResumeTiming();
    }
    state.counters["rss_growth_MiB"] = grown / 1024;
    state.counters["peak_rss_MiB"] = StatusKiB("VmHWM") / 1024;
}

void BM_ListSortByName(benchmark::State& state) {
    cListForm form;
    cHeadlessHost host(form, kWidth, kHeight);
    for (auto _ : state) {
        state.PauseTiming();
        form.list->Clear();
        form.list->AddItems(MakeRows());
        state.ResumeTiming();
        form.list->SortBy(0, false);
    }
}

void BM_ListPaintScrolledFrame(benchmark::State& state) {
    cListForm form;
    cHeadlessHost host(form, kWidth, kHeight);
    form.list->AddItems(MakeRows());
    form.list->SortBy(0, false);
    form.list->Select(10);
    form.list->Select(40, mods::kShift);
    host.Render(); // glyphs rasterised once, as after a window's first frame
    int step = 0;
    for (auto _ : state) {
        // A wheel notch or a thumb drag: anywhere in the list, a full repaint each time.
        form.list->ScrollTo({0, (step++ * 7919 * cListViewChild::kRowHeight) %
                                    form.list->VerticalAxis().MaxPosition()});
        host.Invalidate(nullptr);
        benchmark::DoNotOptimize(host.Render().Pixels().data());
    }
}

class cTreeForm : public cCustomForm {
public:
    void OnCreate() override { tree = Add<cTreeViewChild>(0, 0, -1, -1); }
    cTreeViewChild* tree = nullptr;
};

// 10 top nodes, each with 100 children of 99 leaves: 100,000 nodes (10 + 1,000 + 98,990).
void FillTree(cTreeViewChild& tree) {
    int made = 0;
    for (int a = 0; a < 10; ++a) {
        auto* top = tree.AddItem(nullptr, std::make_unique<cTreeItemElement>(
                                              u"Volume " + utf::FromAscii(std::to_string(a))));
        ++made;
        for (int b = 0; b < 100; ++b) {
            auto* folder = tree.AddItem(top, std::make_unique<cTreeItemElement>(
                                                 u"Папка " + utf::FromAscii(std::to_string(b))));
            ++made;
            for (int c = 0; c < 99 && made < kNodes; ++c, ++made) {
                tree.AddItem(folder, std::make_unique<cTreeItemElement>(
                                         u"file_" + utf::FromAscii(std::to_string(c)) + u".bin"));
            }
        }
    }
}

void BM_TreeExpandAllAndPaint(benchmark::State& state) {
    cTreeForm form;
    cHeadlessHost host(form, kWidth, kHeight);
    FillTree(*form.tree);
    host.Render();
    int rows = 0;
    for (auto _ : state) {
        form.tree->ExpandAll(nullptr);
        form.tree->ScrollTo({0, form.tree->VerticalAxis().MaxPosition() / 2});
        benchmark::DoNotOptimize(host.Render().Pixels().data());
        state.PauseTiming();
        rows = form.tree->RowCount();
        for (const auto& top : form.tree->Roots()) {
            form.tree->Expand(top.get(), false);
        }
        for (const auto& top : form.tree->Roots()) {
            for (const auto& child : top->Children()) {
                form.tree->Expand(child.get(), false);
            }
        }
        host.Render();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

BENCHMARK(BM_ListFill)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListSortByName)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListPaintScrolledFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeExpandAllAndPaint)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
