// drovik-cli image SOURCE OUT: copies a drive, partition or image to an image, getting
// the most out of a failing drive, with a map of what was rescued that lets an
// interrupted run go on where it stopped.

#include "app/imaging/image_job.h"
#include "app/imaging/imager.h"
#include "command.h"
#include "fs_volume.h"
#include "io/storage_source.h"
#include "platform/local_files.h"
#include "platform/terminal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunImage(const std::vector<std::string>& words);

const cli::Command kImage(
    "image", "copy a failing drive to an image, with a resumable map",
    "usage: drovik-cli image SOURCE OUT [--format raw|sparse|vmdk] [--map MAPFILE]\n"
    "                        [--retries N] [--json]\n\n"
    "Copies SOURCE (a drive such as Drive0, a device node such as /dev/sdb or /dev/sdb1, or\n"
    "an image file) to the image OUT, nothing being written to SOURCE. It reads forward\n"
    "in 1 MiB blocks, passing over the area around a read that fails; then comes back to\n"
    "what it passed over in 64 KiB reads; then reads what failed sector by sector, past\n"
    "the system's cache; then tries the unreadable sectors again N times (default 1).\n"
    "Unreadable sectors stay zero in OUT.\n\n"
    "MAPFILE (default OUT.map) lists every range of sectors with its state (untried,\n"
    "skipped, failing, bad, good), one per line. It is saved every second, after the\n"
    "image data it describes is on disk; when it exists, the run resumes from it into\n"
    "the OUT an earlier run left.\n\n"
    "Progress on the terminal shows the pass, the rate, the bytes rescued, the bad bytes\n"
    "and the time left. The exit code is 0 when every pass ran, also with bad sectors\n"
    "left (the last line counts them), 3 after Ctrl-C, 1 on errors.\n\n"
    "  --format raw     write every rescued byte (default)\n"
    "  --format sparse  leave blocks of zeros as holes of a sparse file\n"
    "  --format vmdk    write a VMware sparse disk (grains of zeros stay unallocated);\n"
    "                   resuming needs the same format as the run that began it\n"
    "  --json           progress rows: pass, rescued, bad, left (bytes), rate (bytes per\n"
    "                   second), seconds_left; then one row: rescued, bad, bad_ranges, map\n",
    RunImage);

std::string Mib(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

void ShowProgress(const imaging::cProgress& progress, bool json, bool terminal) {
    if (json) {
        cli::JsonObject()
            .Add("pass", progress.pass)
            .Add("rescued", progress.rescuedBytes)
            .Add("bad", progress.badBytes)
            .Add("left", progress.leftBytes)
            .Add("rate", progress.bytesPerSecond)
            .Add("seconds_left", progress.secondsLeft)
            .Print();
    } else if (terminal) {
        std::fprintf(stderr, "\rpass %d: %s/s, rescued %s, bad %s, %llu s left   ", progress.pass,
                     Mib(progress.bytesPerSecond).c_str(), Mib(progress.rescuedBytes).c_str(),
                     Mib(progress.badBytes).c_str(),
                     static_cast<unsigned long long>(progress.secondsLeft));
    }
}

int RunImage(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--format", "--map", "--retries"});
    if (args.WantsHelp()) {
        std::printf("%s", kImage.usage);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kImage, "unknown option " + unknown.front());
    }
    if (args.Positional().size() != 2) {
        return cli::UsageError(kImage, "expected SOURCE and OUT");
    }
    const std::string format = args.Option("--format").value_or("raw");
    const auto kind = imaging::FormatNamed(format);
    if (!kind) {
        return cli::UsageError(kImage, "--format is raw, sparse or vmdk, not '" + format + "'");
    }
    const std::string retriesText = args.Option("--retries").value_or("1");
    const auto retries = cli::ParseUnsigned(retriesText);
    if (!retries || *retries > 1000) {
        return cli::UsageError(kImage,
                               "--retries needs a number up to 1000, not '" + retriesText + "'");
    }
    const std::string& name = args.Positional()[0];
    const std::string& out = args.Positional()[1];
    const std::string mapPath = args.Option("--map").value_or(imaging::DefaultMapPath(out));
    const auto sourcePath = platform::AbsoluteLocalPath(name);
    for (const std::string& written : {out, mapPath}) {
        if (sourcePath && platform::AbsoluteLocalPath(written) == sourcePath) {
            return cli::Fail(kImage.name, "refusing to write over the source " + name);
        }
    }
    const auto source = cli::ResolveSource(kImage.name, name);
    if (!source) {
        return 1;
    }
    const std::unique_ptr<cBaseIO> reader = OpenStorageSource(*source);
    if (!reader) {
        return cli::Fail(kImage.name, "cannot open " + name + " for reading");
    }
    const std::uint64_t sectors = reader->GetSectorCount();

    std::string error;
    std::optional<imaging::cImageJob> job =
        imaging::PrepareImageJob(sectors, out, mapPath, *kind, error);
    if (!job) {
        return cli::Fail(kImage.name, error);
    }
    platform::CatchInterrupts();
    const bool json = args.Flag("--json");
    const bool terminal = platform::StderrIsTerminal();
    imaging::cOptions options;
    options.retries = std::uint32_t(*retries);
    imaging::cImager imager(*reader, *job->target, job->map, options);
    bool saved = true;
    const bool finished = imager.Run(
        [&](const imaging::cImageMap& current) {
            return saved = imaging::SaveMapFile(current, mapPath);
        },
        [&](const imaging::cProgress& progress) {
            ShowProgress(progress, json, terminal);
            return !platform::InterruptRequested();
        });
    if (terminal && !json) {
        std::fputs("\n", stderr);
    }
    if (!saved) {
        return cli::Fail(kImage.name,
                         "cannot save the map " + mapPath + ": " + cli::SystemReason());
    }
    std::size_t badRanges = 0;
    for (const imaging::cMapRange& range : job->map.Ranges()) {
        badRanges += range.state == imaging::eState::kBad;
    }
    const std::uint64_t rescued = job->map.Count(imaging::eState::kGood) * 512;
    const std::uint64_t bad = job->map.Count(imaging::eState::kBad) * 512;
    if (json) {
        cli::JsonObject()
            .Add("rescued", rescued)
            .Add("bad", bad)
            .Add("bad_ranges", std::uint64_t(badRanges))
            .Add("map", mapPath)
            .Print();
    } else {
        std::printf("rescued %llu bytes, %llu bad bytes in %zu ranges; map %s\n",
                    static_cast<unsigned long long>(rescued), static_cast<unsigned long long>(bad),
                    badRanges, mapPath.c_str());
    }
    if (platform::InterruptRequested()) {
        return 3;
    }
    return finished ? 0
                    : cli::Fail(kImage.name, "writing " + out + " failed: " + cli::SystemReason());
}

} // namespace
