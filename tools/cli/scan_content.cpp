// scan --method content [--rules FILE|DIR]... [--free-only]: finds files by their content
// and saves what it found as the result "content".

#include "part/part_path.h"
#include "scan/signatures/raw_scan.h"
#include "scan/signatures/signature.h"
#include "scan_common.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

int RunContentScan(const cli::ScanJob& job);

const cli::ScanMethod kContent(
    "content",
    "Reads the partition sector by sector and recognises the start of files by their\n"
    "content with signature rules; where a rule says, a file's exact size. The files found\n"
    "are listed by type and saved as the result BASE-content.drdb.\n\n"
    "The rules come from the *.urrs files beside the program (drovik.urrs is shipped with\n"
    "it), or from each --rules FILE and every *.urrs file of each --rules DIR instead.\n"
    "'drovik-cli rules --help' tells how to write your own.\n\n"
    "With --free-only the file system on P must know which of its clusters are in use:\n"
    "only the others are scanned, cluster by cluster, and a file found in free space ends\n"
    "where a used cluster begins.\n\n"
    "With --json every type is a row {\"type\",\"files\",\"bytes\"}.\n",
    {"--rules"}, {"--free-only"}, RunContentScan);

constexpr std::uint32_t kSectorBytes = 512;

struct cTypeCount {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// Files by type: the result holds one folder per type.
void CountTypes(const cQORNVStorage& tree, cVSItemId folder, const std::string& path,
                std::map<std::string, cTypeCount>& counts) {
    for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
        CountTypes(tree, item, path + (path.empty() ? "" : "/") + std::string(tree.Name(item)),
                   counts);
    }
    for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
        cTypeCount& count = counts[path];
        ++count.files;
        count.bytes += tree.Size(item);
    }
}

void PrintTypes(const cli::ScanJob& job, const cQORNVStorage& result) {
    std::map<std::string, cTypeCount> counts;
    if (result.Root()) {
        CountTypes(result, result.Root(), "", counts);
    }
    for (const auto& [type, count] : counts) {
        if (job.json) {
            cli::JsonObject()
                .Add("type", type)
                .Add("files", count.files)
                .Add("bytes", count.bytes)
                .Print();
        } else {
            std::printf("%-40s %8llu files %14llu bytes\n", type.c_str(),
                        static_cast<unsigned long long>(count.files),
                        static_cast<unsigned long long>(count.bytes));
        }
    }
}

int RunContentScan(const cli::ScanJob& job) {
    cSigList rules;
    if (!cli::LoadScanRules(job.args.Options("--rules"), rules)) {
        return 1;
    }
    if (rules.Empty()) {
        return cli::Fail("scan", "no signature rules: give a rules file with --rules");
    }
    cPartTreeItem& node = job.node;
    cQORNVStorage result;
    cli::cScanProgress progress(job.json, "content");
    cRawScanRequest request;
    request.storage = node.Storage();
    request.partitionStart = node.Start();
    request.sectorCount = node.Length();
    request.unitSectors = 1;
    request.signatures = &rules;
    request.progress = &progress;
    request.result = &result;
    if (job.args.Flag("--free-only")) {
        auto* fs = node.FindExtensionAs<cVFS>(part_ext::kFileSystem);
        if (!fs || !fs->HasBlockMap() || fs->GetBlockSize() < kSectorBytes ||
            fs->GetBlockSize() % kSectorBytes != 0) {
            return cli::Fail("scan", "--free-only needs a file system that knows its free "
                                     "clusters on partition " +
                                         PartitionPath(node));
        }
        request.unitSectors = fs->GetBlockSize() / kSectorBytes;
        request.firstSector = fs->GetFirstBlockSector();
        request.firstUnit = fs->GetFirstBlockNumber();
        const std::uint64_t blocks =
            fs->GetBlockCount() > request.firstUnit ? fs->GetBlockCount() - request.firstUnit : 0;
        request.sectorCount =
            std::min(node.Length() > request.firstSector ? node.Length() - request.firstSector : 0,
                     blocks * request.unitSectors);
        request.unitInUse = [fs](std::uint64_t unit) { return fs->IsBlockUsed(unit); };
    }
    const bool finished = RawScan(request);
    PrintTypes(job, result);
    if (!cli::SaveScanResult(job, "content", result)) {
        return 1;
    }
    return cli::ScanExitCode(finished);
}

} // namespace
