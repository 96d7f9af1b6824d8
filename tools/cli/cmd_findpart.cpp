// drovik-cli findpart SOURCE: finds the partitions of a storage by their file systems at
// every sector, for disks whose partition table was wiped or overwritten.

#include "app/engine.h"
#include "app/findpart/found_list.h"
#include "app/findpart/part_list_file.h"
#include "app/findpart/part_scan_job.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"
#include "io/storage_source.h"
#include "part/storage_tree_builder.h"
#include "platform/terminal.h"
#include "scan/bad_ranges.h"
#include "scan_common.h"

#include <cstdio>
#include <fstream>

namespace {

int RunFindPart(const std::vector<std::string>& words);

const cli::Command kFindPart(
    "findpart", "find lost partitions by their file systems",
    "usage: drovik-cli findpart SOURCE [--save FILE.qornpl] [--json]\n\n"
    "Reads every sector of SOURCE and lists each volume whose file system it finds there,\n"
    "once, at its true start: copies of boot sectors and superblocks lead to their volume,\n"
    "and an NTFS volume whose boot sectors are gone is found by its MFT. Columns: file\n"
    "system, start sector, length in sectors, volume label, and whether the storage's\n"
    "partition table still lists it. Unreadable sectors are skipped and reported.\n\n"
    "  --save FILE   write the found list as a partition list file; 'ls', 'cat', 'cp',\n"
    "                'info', 'parts' and 'scan' take it with --partlist FILE\n"
    "  --json        one JSON object per partition: start, length, fs, label (null when\n"
    "                none), listed\n",
    RunFindPart);

class cTerminalFront final : public cPartScanFront {
public:
    bool OnProgress(double percent) override {
        return progress_.OnProgress(percent) && !platform::InterruptRequested();
    }

private:
    cli::cScanProgress progress_{false, "searching"};
};

void PrintRow(const cFoundList& list, const cPartTreeItem& node, bool json) {
    const cFoundRowTexts texts = RowTexts(node);
    const bool listed = list.Listed(node);
    if (json) {
        cli::JsonObject object;
        object.Add("start", node.Start()).Add("length", node.Length()).Add("fs", texts.fileSystem);
        if (texts.label.empty()) {
            object.AddNull("label");
        } else {
            object.Add("label", utf::ToUtf8(texts.label));
        }
        object.Add("listed", listed).Print();
        return;
    }
    std::printf("%-10s %12llu %12llu %-5s %s\n", texts.fileSystem.c_str(),
                static_cast<unsigned long long>(node.Start()),
                static_cast<unsigned long long>(node.Length()), listed ? "yes" : "no",
                texts.label.empty() ? "-" : utf::ToUtf8(texts.label).c_str());
}

bool Save(const cFoundList& list, const std::string& path) {
    const std::vector<std::uint8_t> bytes = partlist::Encode(list.Top());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        cli::Fail("findpart", "cannot create " + path + ": " + cli::SystemReason());
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file.flush()) {
        cli::Fail("findpart", "cannot write " + path + ": " + cli::SystemReason());
        return false;
    }
    return true;
}

int RunFindPart(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--save"});
    if (args.WantsHelp()) {
        std::fputs(kFindPart.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json"}); !unknown.empty()) {
        return cli::UsageError(kFindPart, "unknown option " + unknown.front());
    }
    if (args.Positional().size() != 1) {
        return cli::UsageError(kFindPart, "expected one SOURCE");
    }
    const std::string& source = args.Positional().front();
    const auto resolved = cli::ResolveSource("findpart", source);
    if (!resolved) {
        return 1;
    }
    cStorageList storages(EngineTreeBuilder());
    cBaseIO* reader = AddStorageSource(storages, *resolved);
    const auto* built =
        reader ? dynamic_cast<const cPartStorageTree*>(storages.FindTree(reader)) : nullptr;
    if (!built) {
        return cli::Fail("findpart", "cannot read " + source);
    }
    cli::WarnIfUnreadableChunks("findpart", *reader);
    cFoundList list(*reader, &built->Tree());
    cTerminalFront front;
    cPartScanJob job(list, front);
    platform::CatchInterrupts();
    if (job.Search() == 2) {
        return cli::Fail("findpart", "cannot read " + source);
    }
    const bool json = args.Flag("--json");
    if (!json) {
        std::printf("%-10s %12s %12s %-5s %s\n", "FS", "START", "LENGTH", "TABLE", "LABEL");
    }
    for (const cPartTreeItem* node : list.Rows()) {
        PrintRow(list, *node, json);
    }
    if (!job.BadRanges().Empty()) {
        std::fprintf(stderr, "drovik-cli findpart: skipped unreadable sectors: %s\n",
                     FormatBadRanges(job.BadRanges()).c_str());
    }
    if (const auto path = args.Option("--save"); path && !Save(list, *path)) {
        return 1;
    }
    return platform::InterruptRequested() ? 3 : 0;
}

} // namespace
