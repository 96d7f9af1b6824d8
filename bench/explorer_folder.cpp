// The main window opening one folder of many entries, headless, over a real image: how
// long its navigation job lists the folder, how soon after the job hands the rows over the
// first page is in the list and painted, and how long the window thread takes to paint a
// whole frame while the job lists (it must never wait on the listing). Goal for a folder
// of 100,000 entries on NTFS: the first page under 1 s after the listing, smooth frames
// throughout. Each iteration starts from the root folder, as a user goes into the folder.
//
// usage: DROVIK_BENCH_IMAGE=IMAGE DROVIK_BENCH_FOLDER=/PATH bench_explorer_folder
//        (bench/explorer_folder.sh makes an NTFS image and runs it)

#include "app/engine.h"
#include "app/explorer/browse_view.h"
#include "app/explorer/zelvane_form.h"
#include "app/explorer/zelvane_window.h"
#include "base/utf.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "gui/views/list_view_child.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "window_bench.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::minutes(2);
constexpr auto kFrame = std::chrono::microseconds(16'667);

double Ms(Clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

// The main window as it is, noting only when its navigation job hands a listing over
// (the rows are the window's to take from then on; the done action follows).
class cTimedForm : public cZelvaneForm {
public:
    using cZelvaneForm::cZelvaneForm;
    // Clock::time_point{} until the job started last has handed its listing over.
    Clock::time_point HandedOver() const { return handedOver_; }
    bool OpenFolder(const std::u16string& path) {
        handedOver_ = Clock::time_point{};
        return cZelvaneForm::OpenFolder(path);
    }

protected:
    int List(const std::u16string& path) override {
        const int result = cZelvaneForm::List(path);
        handedOver_ = Clock::now();
        return result;
    }

private:
    std::atomic<Clock::time_point> handedOver_{};
};

// Plays the window thread until the listing asked for is shown, or the job has ended
// without one.
bool WaitUntilShown(cTimedForm& form, cHeadlessHost& host, const std::u16string& path) {
    const auto until = Clock::now() + kPatience;
    while (Clock::now() < until) {
        if (form.BrowseView().FolderPath() == path && !form.IsRunning()) {
            return true;
        }
        if (form.HandedOver() != Clock::time_point{} && !form.IsRunning() &&
            host.PostedWakeUps() == 0 && form.BrowseView().FolderPath() != path) {
            return false;
        }
        host.WaitForWakeUp(10);
        host.RunWakeUps();
    }
    return false;
}

void BM_OpenFolder(benchmark::State& state) {
    const char* image = std::getenv("DROVIK_BENCH_IMAGE");
    const char* folder = std::getenv("DROVIK_BENCH_FOLDER");
    if (!image || !folder) {
        state.SkipWithError("set DROVIK_BENCH_IMAGE (a disk image) and DROVIK_BENCH_FOLDER "
                            "(a folder in it, e.g. /big); bench/explorer_folder.sh does");
        return;
    }
    InitialiseProgramOnce();

    cHeadlessMaker maker; // a message box would otherwise open a real window
    cStorageList list(EngineTreeBuilder());
    if (!list.AddImageFile(utf::FromUtf8(image))) {
        state.SkipWithError("the image does not open");
        return;
    }
    cQORNDriveInstance& entry = *list.Entries().back();
    cPartTreeItem* volume = static_cast<cPartStorageTree*>(entry.Tree())->Tree().First();
    cTimedForm form(list);
    cHeadlessHost host(form, kZelvaneWidth, kZelvaneHeight);
    if (!volume || !form.Browse(entry, *volume) || !WaitUntilShown(form, host, u"/")) {
        state.SkipWithError("no file system to browse on the image");
        return;
    }

    const std::u16string path = utf::FromUtf8(folder);
    std::vector<double> listing, firstPage, frames;
    for (auto _ : state) {
        if (!form.OpenFolder(u"/") || !WaitUntilShown(form, host, u"/")) {
            state.SkipWithError("the root folder does not list");
            return;
        }
        const auto asked = Clock::now();
        form.OpenFolder(path);
        // Whole frames at 60 a second while the job lists; a frame that ends after the
        // hand-over may already hold the new rows, so it is not one of them.
        while (form.HandedOver() == Clock::time_point{}) {
            const auto start = Clock::now();
            host.RunWakeUps();
            form.Invalidate();
            host.Render();
            if (form.HandedOver() == Clock::time_point{}) {
                frames.push_back(Ms(Clock::now() - start));
            }
            while (Clock::now() < start + kFrame && form.HandedOver() == Clock::time_point{}) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        const auto handed = form.HandedOver();
        if (!WaitUntilShown(form, host, path) || form.BrowseView().List().ItemCount() == 0) {
            state.SkipWithError("the folder does not list");
            return;
        }
        host.Render();
        const auto painted = Clock::now();
        listing.push_back(Ms(handed - asked));
        firstPage.push_back(Ms(painted - handed));
        state.SetIterationTime(std::chrono::duration<double>(painted - asked).count());
    }
    state.counters["entries"] = double(form.BrowseView().Rows().Count());
    state.counters["listing_ms"] = Median(listing);
    state.counters["first_page_ms"] = Median(firstPage);
    state.counters["frame_median_ms"] = Median(frames);
    state.counters["frame_worst_ms"] = frames.empty() ? 0 : *std::ranges::max_element(frames);
    state.counters["frames"] = double(frames.size());
}
BENCHMARK(BM_OpenFolder)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
