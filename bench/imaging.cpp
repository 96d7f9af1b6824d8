// Imaging a storage to a raw image, whole, as drovik-cli image does: once as it is and
// once with 100 scattered sectors failing (the tests' failing storage), to show the pace
// kept between bad areas. bench/imaging.sh runs it beside dd bs=1M.
//
// usage: bench_imaging [benchmark flags] SOURCE OUT
//   SOURCE as the command-line program takes it; OUT is overwritten by every run.

#include "app/imaging/imager.h"
#include "io/storage_source.h"
#include "support/failing_io.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

std::unique_ptr<cBaseIO> Open(const std::string& name, std::uint64_t badSectors) {
    std::string error;
    const auto source = ResolveStorageSource(name, error);
    std::unique_ptr<cBaseIO> reader = source ? OpenStorageSource(*source) : nullptr;
    if (!reader || badSectors == 0) {
        return reader;
    }
    const std::uint64_t sectors = reader->GetSectorCount();
    auto failing = std::make_unique<cFailingIO>(std::move(reader));
    for (std::uint64_t i = 0; i < badSectors; ++i) {
        failing->FailSectors((i * 7919 + 1) * (sectors / (badSectors * 7919 + 1)) % sectors);
    }
    return failing;
}

void Image(benchmark::State& state, const std::string& source, const std::string& out,
           std::uint64_t badSectors) {
    for (auto _ : state) {
        const std::unique_ptr<cBaseIO> reader = Open(source, badSectors);
        if (!reader) {
            state.SkipWithError("cannot open the source");
            return;
        }
        imaging::cImageMap map(reader->GetSectorCount());
        const auto target =
            imaging::cImageTarget::Create(out, map.Sectors(), imaging::eFormat::kRaw);
        imaging::cImager imager(*reader, *target, map, imaging::cOptions{});
        imager.Run([](const imaging::cImageMap&) { return true; },
                   [](const imaging::cProgress&) { return true; });
        state.counters["bad"] = double(map.Count(imaging::eState::kBad));
        state.SetBytesProcessed(std::int64_t(map.Sectors() * 512));
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_imaging [benchmark flags] SOURCE OUT\n");
        return 2;
    }
    const std::string source = argv[1], out = argv[2];
    benchmark::RegisterBenchmark("Image/healthy", Image, source, out, 0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Image/100bad", Image, source, out, 100)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
