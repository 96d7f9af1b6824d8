// Copying out through the copy window, headless, over a real image: the window must copy
// at the copy flow's own speed, so its figure is set against drovik-cli cp (the same job
// without a window) and cat. The driver plays the window thread as the real loop does:
// it waits for the job's wake-ups, runs them and paints what they marked, so the time
// includes the log and the progress bar being drawn. Each iteration copies into an
// emptied output folder.
//
// usage: DROVIK_BENCH_IMAGE=IMAGE DROVIK_BENCH_SOURCE=/PATH DROVIK_BENCH_OUT=FOLDER
//        bench_copy_window   (bench/copy_window.sh makes FAT32 and NTFS images and runs it)

#include "app/copy_window/copy_window.h"

#include "app/copy/target_names.h"
#include "app/copy_window/copy_files_ui.h"
#include "app/engine.h"
#include "app/explorer/storage_view.h"
#include "base/utf.h"
#include "gui/controls/progress_child.h"
#include "gui/sdl/headless_host.h"
#include "gui/sdl/headless_maker.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"
#include "vfs/vfs.h"
#include "window_bench.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::minutes(10);

bool EmptyFolder(const fs::path& folder) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (fs::remove_all(entry.path(), error) == static_cast<std::uintmax_t>(-1)) {
            return false;
        }
    }
    return !error;
}

std::uintmax_t BytesBelow(const fs::path& folder) {
    std::uintmax_t bytes = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) {
            bytes += entry.file_size(error);
        }
    }
    return bytes;
}

// What the explorer would hand the copy window for the path: the entry itself, or what
// the root folder holds.
std::vector<std::unique_ptr<cFSObject>> ObjectsAt(cVFS& reader, const std::u16string& path) {
    std::vector<std::unique_ptr<cFSObject>> objects;
    std::unique_ptr<cFSObject> entry = reader.FindByPath(path, reader.GetRootId());
    if (!entry) {
        return objects;
    }
    if (entry->Kind() != fskind::kFolder || entry->id != reader.GetRootId()) {
        objects.push_back(std::move(entry));
        return objects;
    }
    reader.EnumFolder(*entry, [&](cFSObject& child) {
        const bool live = child.Kind() == fskind::kFolder || child.Kind() == fskind::kFile;
        if (live && child.name != u"." && child.name != u"..") {
            objects.push_back(child.Clone());
        }
        return true;
    });
    return objects;
}

// The window thread of the copy window as the real loop runs it: every batch of
// wake-ups is followed by a paint of what it marked.
struct cWindowThread {
    int frames = 0;
    int progressRepaints = 0;
    int wakeUps = 0;
    bool endedWithErrors = false;

    void Run(cHeadlessHost& host) {
        auto* window = dynamic_cast<cCopyFilesUI*>(&host.Form());
        if (!window) { // a question nobody expects (the output folder was emptied)
            host.RequestClose();
            return;
        }
        host.Render();
        int shown = window->Bar().Position();
        const auto until = Clock::now() + kPatience;
        while (!host.EndCode()) {
            if (!window->Running()) { // errors keep the window open with its log
                endedWithErrors = true;
                host.RequestClose();
                break;
            }
            if (Clock::now() > until) {
                host.RequestClose(); // asks the job to stop; its end closes the window
            }
            if (!host.WaitForWakeUp(100)) {
                continue;
            }
            wakeUps += host.RunWakeUps();
            host.Render();
            ++frames;
            if (window->Bar().Position() != shown) {
                shown = window->Bar().Position();
                ++progressRepaints;
            }
        }
    }
};

void BM_CopyThroughWindow(benchmark::State& state) {
    const char* image = std::getenv("DROVIK_BENCH_IMAGE");
    const char* source = std::getenv("DROVIK_BENCH_SOURCE");
    const char* out = std::getenv("DROVIK_BENCH_OUT");
    if (!image || !source || !out) {
        state.SkipWithError("set DROVIK_BENCH_IMAGE (a disk image), DROVIK_BENCH_SOURCE (a "
                            "file or folder in it) and DROVIK_BENCH_OUT (a folder to copy "
                            "into, emptied each time); bench/copy_window.sh does");
        return;
    }
    InitialiseProgramOnce();

    cStorageList list(EngineTreeBuilder());
    if (!list.AddImageFile(utf::FromUtf8(image))) {
        state.SkipWithError("the image does not open");
        return;
    }
    const auto* tree = dynamic_cast<const cPartStorageTree*>(list.Entries().back()->Tree());
    cPartTreeItem* volume = tree ? tree->Tree().First() : nullptr;
    cVFS* reader = volume ? explorer::MountedFileSystem(*volume) : nullptr;
    if (!reader) {
        state.SkipWithError("no mounted file system on the image's first node");
        return;
    }
    const fs::path folder(out);
    if (!fs::is_directory(folder)) {
        state.SkipWithError("DROVIK_BENCH_OUT is not a folder");
        return;
    }

    cCustomForm owner{"qorns::zelvane"};
    cWindowThread thread;
    cHeadlessMaker maker([&thread](cHeadlessHost& host) { thread.Run(host); });
    std::vector<double> rates;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        // Only the window's run counts, so that the CPU time is the window thread's.
        state.PauseTiming();
        std::vector<std::unique_ptr<cFSObject>> objects = ObjectsAt(*reader, utf::FromUtf8(source));
        if (objects.empty() || !EmptyFolder(folder)) {
            state.SkipWithError("nothing to copy at DROVIK_BENCH_SOURCE, or the output "
                                "folder does not empty");
            return;
        }
        // One file is copied to a full path, anything else into the folder.
        std::u16string target = utf::FromUtf8(folder.string());
        if (objects.size() == 1 && objects.front()->Kind() == fskind::kFile) {
            target += u"/" + copynames::MakeSafeName(objects.front()->name, objects.front()->id);
        }
        const int runs = maker.ModalRuns();
        thread = {};
        state.ResumeTiming();

        const auto start = Clock::now();
        const eCopyOutcome outcome = CopyObjects(owner, std::move(objects), target);
        const std::chrono::duration<double> took = Clock::now() - start;
        state.PauseTiming();

        if (outcome != eCopyOutcome::Copied || thread.endedWithErrors) {
            state.SkipWithError("the copy did not finish without errors");
            return;
        }
        if (maker.ModalRuns() == runs) {
            state.SkipWithError("copied without the window (a file of at most 64 KiB)");
            return;
        }
        bytes = BytesBelow(folder);
        rates.push_back(double(bytes) / took.count() / 1e6);
        state.SetIterationTime(took.count());
        state.ResumeTiming();
    }
    state.counters["bytes"] = double(bytes);
    state.counters["MB_per_s"] = Median(rates);
    state.counters["progress_repaints"] = thread.progressRepaints;
    state.counters["frames"] = thread.frames;
    state.counters["wake_ups"] = thread.wakeUps;
}
BENCHMARK(BM_CopyThroughWindow)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
