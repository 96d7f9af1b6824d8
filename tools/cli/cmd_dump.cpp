// drovik-cli dump SOURCE --sector N [--count K]: sectors of a storage in hex, read the way
// every other part of the program reads them; with --raw, the bytes themselves, so that a
// container can be turned into a raw disk.

#include "command.h"
#include "fs_volume.h"
#include "io/storage_source.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunDump(const std::vector<std::string>& words);

const cli::Command kDump(
    "dump", "show sectors of a drive or an image in hex",
    "usage: drovik-cli dump SOURCE --sector N [--count K|all] [--json]\n"
    "       drovik-cli dump SOURCE --raw [--sector N] [--count K|all]\n\n"
    "Shows K sectors (default 1; all: to the end) of 512 bytes from sector N of SOURCE: a\n"
    "drive such as Drive0, a device node such as /dev/sdb, or an image file (a virtual disk\n"
    "container shows the disk it holds). Each line holds 16 bytes: the byte offset in the\n"
    "storage, the bytes in hex and as text. Numbers may be given in hex with 0x.\n\n"
    "A sector that cannot be read is reported on stderr and skipped; the exit code is then 1.\n\n"
    "  --json   one JSON object per sector: sector, hex (1024 lowercase hex digits)\n"
    "  --raw    the sectors' bytes unchanged to stdout (from sector 0 unless --sector is\n"
    "           given): 'dump disk.vmdk --raw --count all > disk.raw' makes a raw disk.\n"
    "           A sector that cannot be read is written as zeros so the rest stays in place.\n",
    RunDump);

// Sectors read per request: large enough for throughput, small enough for memory.
constexpr std::uint32_t kChunkSectors = 2048;

void PrintHex(std::uint64_t sector, const std::uint8_t* bytes) {
    for (std::size_t line = 0; line < kSectorSize; line += 16) {
        std::printf("%012llx ", static_cast<unsigned long long>(sector * kSectorSize + line));
        for (std::size_t i = 0; i < 16; ++i) {
            std::printf(i == 8 ? "  %02x" : " %02x", bytes[line + i]);
        }
        std::printf("  |");
        for (std::size_t i = 0; i < 16; ++i) {
            const unsigned char c = bytes[line + i];
            std::putchar(c >= 0x20 && c < 0x7F ? c : '.');
        }
        std::printf("|\n");
    }
}

void PrintJson(std::uint64_t sector, const std::uint8_t* bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex(2 * kSectorSize, '0');
    for (std::size_t i = 0; i < kSectorSize; ++i) {
        hex[2 * i] = kDigits[bytes[i] >> 4];
        hex[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    cli::JsonObject().Add("sector", sector).Add("hex", hex).Print();
}

// How a run of sectors read (or not) reaches stdout.
void Emit(bool raw, bool json, std::uint64_t sector, const std::uint8_t* bytes,
          std::uint32_t count) {
    if (raw) {
        std::fwrite(bytes, kSectorSize, count, stdout);
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* one = bytes + std::size_t(i) * kSectorSize;
        json ? PrintJson(sector + i, one) : PrintHex(sector + i, one);
    }
}

int RunDump(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--sector", "--count"});
    if (args.WantsHelp()) {
        std::printf("%s", kDump.usage);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json", "--raw"}); !unknown.empty()) {
        return cli::UsageError(kDump, "unknown option " + unknown.front());
    }
    const bool raw = args.Flag("--raw");
    const bool json = args.Flag("--json");
    if (raw && json) {
        return cli::UsageError(kDump, "--raw and --json exclude each other");
    }
    if (args.Positional().size() != 1) {
        return cli::UsageError(kDump, args.Positional().empty() ? "SOURCE is missing"
                                                                : "only one SOURCE may be given");
    }
    const auto sectorText = raw ? args.Option("--sector").value_or("0") : args.Option("--sector");
    if (!sectorText) {
        return cli::UsageError(kDump, "--sector N is missing");
    }
    const auto first = cli::ParseUnsigned(*sectorText);
    if (!first) {
        return cli::UsageError(kDump, "--sector needs a number, not '" + *sectorText + "'");
    }
    const std::string countText = args.Option("--count").value_or("1");
    const auto count = countText == "all" ? std::optional<std::uint64_t>(UINT64_MAX)
                                          : cli::ParseUnsigned(countText);
    if (!count || *count == 0) {
        return cli::UsageError(kDump,
                               "--count needs a positive number or all, not '" + countText + "'");
    }

    const std::string& name = args.Positional().front();
    const auto source = cli::ResolveSource(kDump.name, name);
    if (!source) {
        return 1;
    }
    const std::unique_ptr<cBaseIO> reader = OpenStorageSource(*source);
    if (!reader) {
        return cli::Fail(kDump.name, "cannot open " + name + " for reading");
    }
    cli::WarnIfUnreadableChunks(kDump.name, *reader);
    const std::uint64_t total = reader->GetSectorCount();
    if (*first >= total) {
        return cli::Fail(kDump.name, "sector " + std::to_string(*first) + " is beyond the end of " +
                                         name + " (" + std::to_string(total) + " sectors)");
    }
    const std::uint64_t last = *first + std::min(*count, total - *first);
    if (last - *first < *count && countText != "all") {
        std::fprintf(stderr, "drovik-cli dump: %s ends at sector %llu; showing up to there\n",
                     name.c_str(), static_cast<unsigned long long>(total));
    }

    std::vector<std::uint8_t> buffer(std::size_t(kChunkSectors) * kSectorSize);
    int status = 0;
    for (std::uint64_t sector = *first; sector < last;) {
        const std::uint32_t want =
            std::uint32_t(std::min<std::uint64_t>(kChunkSectors, last - sector));
        const std::uint32_t got =
            reader->SeekSector(sector) < 0 ? 0 : reader->ReadSectors(buffer.data(), want);
        Emit(raw, json, sector, buffer.data(), got);
        sector += got;
        if (got < want) {
            // A short read stops before an unreadable sector: report it and go on after it.
            cli::Fail(kDump.name,
                      "sector " + std::to_string(sector) + " of " + name + " cannot be read");
            status = 1;
            if (raw) {
                static const std::uint8_t kZeros[kSectorSize] = {};
                Emit(raw, json, sector, kZeros, 1);
            }
            ++sector;
        }
    }
    if (raw && std::fflush(stdout) != 0) {
        return cli::Fail(kDump.name, "cannot write to stdout: " + cli::SystemReason());
    }
    return status;
}

} // namespace
