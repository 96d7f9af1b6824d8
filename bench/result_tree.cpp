// A result tree the size of a large scan: FILES files (default 1,000,000) in FOLDERS
// folders (default 10,000: 100 folders under the root, each with 99 subfolders), one of
// them holding LARGEST files (default 100,000), the others sharing the rest. Every tenth
// file has two fragments, the others one extent. Times building it through the
// reconstruction builder, saving it to OUT and loading it back, and the heap the tree
// holds per item (mallinfo2, after the builder's own lists are gone). Goals: each step
// under 2 s, under 200 bytes per item.
//
// usage: bench_result_tree OUT.drdb [FILES] [FOLDERS] [LARGEST]
//        (bench/result_tree.sh runs it and compares drovik-cli ls --result with NTFS)

#include "base/utf.h"
#include "scan/packed_extents.h"
#include "scan/rebuild_builder.h"
#include "scan/result_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// Records 1..100 sit under the root record 0, the others under record 1 + id % 100; the
// largest folder is record 150.
void Build(cQORNVStorage& tree, std::uint64_t files, std::uint64_t folders, std::uint64_t largest) {
    cVSReconstructionBuilder builder(tree);
    builder.AddDirectory(0, 0, u"root");
    const std::uint64_t top = 100;
    char name[32];
    for (std::uint64_t id = 1; id < folders; ++id) {
        std::snprintf(name, sizeof name, "folder-%05llu", static_cast<unsigned long long>(id));
        builder.AddDirectory(id, id <= top ? 0 : 1 + id % top, utf::FromAscii(name));
    }
    const auto twoFragments =
        packedext::Encode(std::vector<cQORNFileAllocation>{{1000, 8, 0}, {5000, 4, 0}});
    for (std::uint64_t n = 0; n < files; ++n) {
        std::snprintf(name, sizeof name, "file-%07llu.dat", static_cast<unsigned long long>(n));
        cVSFileInfo info;
        info.size = 4096 + n % 2048;
        info.position = 64 + n * 8;
        if (n % 10 == 0) {
            info.kind = vsitem::kMultifragFile;
            info.extents = *twoFragments;
            info.size = 6000;
        }
        const std::uint64_t folder = n < largest ? 150 : 1 + (n - largest) % (folders - 1);
        builder.AddPending(folder, tree.NewFile(name, info));
    }
    builder.Build();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: bench_result_tree OUT.drdb [FILES] [FOLDERS] [LARGEST]\n", stderr);
        return 2;
    }
    const std::string out = argv[1];
    const std::uint64_t files = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'000'000;
    const std::uint64_t folders = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 10'000;
    const std::uint64_t largest = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 100'000;
    if (folders < 200 || largest > files) {
        std::fputs("needs at least 200 folders and LARGEST <= FILES\n", stderr);
        return 2;
    }

    const std::size_t heapBefore = HeapInUse();
    auto built = std::make_unique<cQORNVStorage>();
    auto started = Clock::now();
    Build(*built, files, folders, largest);
    const double buildSeconds = Seconds(started);
    const std::size_t builtHeap = HeapInUse() - heapBefore;
    const std::uint64_t items = built->ItemCount();

    started = Clock::now();
    if (!drdb::SaveFile(out, *built)) {
        std::fprintf(stderr, "cannot save %s\n", out.c_str());
        return 1;
    }
    const double saveSeconds = Seconds(started);
    built.reset();

    const std::size_t heapBeforeLoad = HeapInUse();
    cQORNVStorage loaded;
    started = Clock::now();
    const drdb::LoadError error = drdb::LoadFile(out, loaded);
    const double loadSeconds = Seconds(started);
    const std::size_t loadedHeap = HeapInUse() - heapBeforeLoad;
    if (error != drdb::LoadError::None || loaded.ItemCount() != items) {
        std::fprintf(stderr, "loading failed: %s\n", std::string(drdb::Describe(error)).c_str());
        return 1;
    }
    std::printf("items            %llu (%llu files, %llu folders)\n",
                static_cast<unsigned long long>(items), static_cast<unsigned long long>(files),
                static_cast<unsigned long long>(items - files));
    std::printf("build            %.3f s\n", buildSeconds);
    std::printf("save             %.3f s\n", saveSeconds);
    std::printf("load             %.3f s\n", loadSeconds);
    std::printf("heap after build %.1f bytes per item\n", double(builtHeap) / double(items));
    std::printf("heap after load  %.1f bytes per item\n", double(loadedHeap) / double(items));
    return 0;
}
