// Sequential reading of a whole storage through its reader (ReadSectors in 64 KiB and
// 1 MiB requests), the way scans and copies read. bench/read_throughput.sh runs it beside
// dd over an image file and a loop device, with the page cache warm and cold.
//
// usage: bench_io_read [benchmark flags] [SOURCE...]
//   SOURCE as the command-line program takes it (DriveN, a device node, an image file);
//   without one, a temporary 256 MiB image file is read.

#include "io/storage_source.h"
#include "platform/storage_file.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void ReadWhole(benchmark::State& state, const std::string& name, std::uint32_t chunkSectors) {
    std::string error;
    const auto source = ResolveStorageSource(name, error);
    std::unique_ptr<cBaseIO> reader = source ? OpenStorageSource(*source) : nullptr;
    if (!reader) {
        state.SkipWithError(("cannot open " + name + ": " + error).c_str());
        return;
    }
    // Page-aligned like dd's buffer, so that both sides copy out of the page cache alike.
    const std::size_t bytes = std::size_t(chunkSectors) * kSectorSize;
    const std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
        static_cast<std::uint8_t*>(std::aligned_alloc(4096, bytes)), &std::free);
    const std::uint64_t total = reader->GetSectorCount();
    for (auto _ : state) {
        reader->SeekSector(0);
        for (std::uint64_t at = 0; at < total;) {
            const auto want = std::uint32_t(std::min<std::uint64_t>(chunkSectors, total - at));
            const std::uint32_t got = reader->ReadSectors(buffer.get(), want);
            benchmark::DoNotOptimize(buffer.get());
            if (got != want) {
                state.SkipWithError("short read");
                return;
            }
            at += got;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * total * kSectorSize));
}

// The same bytes read with bare positioned reads into the same buffer, without a reader:
// what the harness itself costs, so that a gap to dd can be told apart from the reader's.
void ReadBare(benchmark::State& state, const std::string& name, std::uint32_t chunkSectors) {
    platform::StorageFile file;
    const auto size = file.Open(name, false) ? file.Size() : std::nullopt;
    if (!size) {
        state.SkipWithError(("cannot open " + name).c_str());
        return;
    }
    const std::size_t bytes = std::size_t(chunkSectors) * kSectorSize;
    const std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
        static_cast<std::uint8_t*>(std::aligned_alloc(4096, bytes)), &std::free);
    for (auto _ : state) {
        for (std::uint64_t at = 0; at < *size;) {
            const std::size_t got = file.ReadAt(buffer.get(), bytes, at);
            benchmark::DoNotOptimize(buffer.get());
            if (got == 0) {
                state.SkipWithError("short read");
                return;
            }
            at += got;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * *size));
}

std::string MakeDefaultImage() {
    const auto path = std::filesystem::temp_directory_path() / "drovik-bench-io-read.img";
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        chunk[i] = char(i * 131 + 7);
    }
    for (int i = 0; i < 256; ++i) {
        out.write(chunk.data(), std::streamsize(chunk.size()));
    }
    return path.string();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<std::string> sources(argv + 1, argv + argc);
    std::string temporary;
    if (sources.empty()) {
        temporary = MakeDefaultImage();
        sources.push_back(temporary);
    }
    for (const std::string& source : sources) {
        for (const std::uint32_t chunk : {128u, 2048u}) {
            benchmark::RegisterBenchmark(
                ("ReadSectors/" + std::to_string(chunk * 512 / 1024) + "KiB/" + source).c_str(),
                ReadWhole, source, chunk)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        benchmark::RegisterBenchmark(("BarePread/1024KiB/" + source).c_str(), ReadBare, source,
                                     2048u)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!temporary.empty()) {
        std::filesystem::remove(temporary);
    }
    return 0;
}
