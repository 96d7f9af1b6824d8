// A scan's reading of a whole storage through the scan reader, the scanning thread summing
// every byte it is handed, as the scans do their work on each block while the worker
// reads the next. bench/scan_read.sh runs it beside dd over an image file and a loop
// device, with the page cache warm and cold.
//
// usage: bench_scan_read [benchmark flags] SOURCE...
//   SOURCE as the command-line program takes it (DriveN, a device node, an image file).
//   The ScanReadBad runs read the same source with a few sectors failing (one every
//   128 MiB, and a run of 64 a third of the way in), to show the pace kept away from them.

#include "io/storage_source.h"
#include "scan/async_scan_io.h"
#include "support/failing_io.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <emmintrin.h>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kLookAhead = 16;

// Sixteen bytes at a time (SSE2's sum of absolute differences against zero adds eight
// bytes into each 64-bit half), as a scanner's own inner loop would be tuned.
std::uint64_t SumBytes(const std::uint8_t* data, std::size_t size) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        lanes = _mm_add_epi64(lanes, _mm_sad_epu8(bytes, zero));
    }
    std::uint64_t sum = std::uint64_t(_mm_cvtsi128_si64(lanes)) +
                        std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
    for (; i < size; ++i) {
        sum += data[i];
    }
    return sum;
}

std::unique_ptr<cBaseIO> Open(const std::string& name, bool withBadSectors) {
    std::string error;
    const auto source = ResolveStorageSource(name, error);
    std::unique_ptr<cBaseIO> reader = source ? OpenStorageSource(*source) : nullptr;
    if (!reader || !withBadSectors) {
        return reader;
    }
    const std::uint64_t sectors = reader->GetSectorCount();
    auto failing = std::make_unique<cFailingIO>(std::move(reader));
    for (std::uint64_t at = 1000; at < sectors; at += 262144) {
        failing->FailSectors(at);
    }
    failing->FailSectors(sectors / 3, 64);
    return failing;
}

void ScanWhole(benchmark::State& state, const std::string& name, std::uint32_t blockSectors,
               bool withBadSectors) {
    const std::unique_ptr<cBaseIO> storage = Open(name, withBadSectors);
    cAsyncScanIO reader;
    if (!storage || !reader.Attach(storage.get(), blockSectors, kLookAhead)) {
        state.SkipWithError(("cannot open " + name).c_str());
        return;
    }
    const std::uint64_t total = storage->GetSectorCount();
    for (auto _ : state) {
        if (reader.Seek(0, total) < 0) {
            state.SkipWithError("seek failed");
            return;
        }
        std::uint64_t delivered = 0;
        std::uint64_t sum = 0;
        std::uint32_t count = 0;
        while (const std::uint8_t* block = reader.NextBlock(count)) {
            sum += SumBytes(block, std::size_t(count) * kSectorSize);
            delivered += count;
        }
        benchmark::DoNotOptimize(sum);
        if (delivered != total) {
            state.SkipWithError("the scan ended early");
            return;
        }
    }
    state.counters["bad_sectors"] = double(reader.BadRanges().SectorCount());
    state.SetBytesProcessed(std::int64_t(state.iterations() * total * kSectorSize));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<std::string> sources(argv + 1, argv + argc);
    if (sources.empty()) {
        std::fprintf(stderr, "usage: bench_scan_read [benchmark flags] SOURCE...\n");
        return 2;
    }
    for (const std::string& source : sources) {
        for (const std::uint32_t block : {256u, 2048u, 8192u}) {
            for (const bool bad : {false, true}) {
                const std::string name = std::string(bad ? "ScanReadBad/" : "ScanRead/") +
                                         std::to_string(block / 2) + "KiB/" + source;
                benchmark::RegisterBenchmark(name.c_str(), ScanWhole, source, block, bad)
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
