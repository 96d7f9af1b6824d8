// scan --method exfat: finds an exFAT volume whose boot regions are lost by its root
// folder's table entries, and saves its folder tree, its deleted files and its damaged
// files as three results.

#include "platform/terminal.h"
#include "scan/exfat/exfat_rebuild.h"
#include "scan_common.h"
#include "vfs/exfat/vexfat.h"

#include <cstdio>

namespace {

int RunExfatScan(const cli::ScanJob& job);

const cli::ScanMethod kExfat(
    "exfat",
    "Finds the exFAT volume on the partition by its root folder's allocation-bitmap and\n"
    "up-case entries and the up-case table they name, which give away the cluster size and\n"
    "where the clusters begin (or takes it from the mounted volume), then walks its folders\n"
    "from the root, deleted folders included. Three results are saved: BASE-tree.drdb\n"
    "(files in use), BASE-deleted.drdb (deleted files whose clusters are still free, under\n"
    "their folders) and BASE-damaged.drdb (files whose clusters could not all be had: only\n"
    "what is certain to be theirs is kept). Files stored in one piece read whole without\n"
    "the FAT; others follow the FAT when it survived.\n",
    {}, {}, RunExfatScan);

void Report(const cli::ScanJob& job, const cVExFAT& reader, bool fatFound, bool mounted) {
    const exfatboot::cLayout& layout = reader.Layout();
    const exfatboot::cBootRecord& boot = reader.BootRecord();
    if (job.json) {
        cli::JsonObject()
            .Add("cluster_size", layout.clusterBytes)
            .Add("heap_start", layout.heapStart)
            .Add("root_cluster", boot.rootCluster)
            .Add("clusters", boot.clusterCount)
            .Add("fat_found", fatFound)
            .Add("fat_start", layout.fatStart)
            .Add("mounted", mounted)
            .Print();
        return;
    }
    std::printf("exFAT volume, %u-byte clusters from sector %llu, root at cluster %u, %u "
                "clusters, %s%s\n",
                layout.clusterBytes, static_cast<unsigned long long>(layout.heapStart),
                boot.rootCluster, boot.clusterCount,
                fatFound ? ("FAT at sector " + std::to_string(layout.fatStart)).c_str()
                         : "no FAT found",
                mounted ? " (from the mounted volume)" : "");
}

int RunExfatScan(const cli::ScanJob& job) {
    cPartTreeItem& node = job.node;
    if (!node.Storage()) {
        return cli::Fail("scan", "the partition has no storage");
    }
    cli::cScanProgress progress(job.json, "detect");
    auto* mounted = dynamic_cast<cVExFAT*>(node.FindExtensionAs<cVFS>(part_ext::kFileSystem));
    std::unique_ptr<cVExFAT> found;
    bool fatFound = true;
    if (!mounted) {
        const std::optional<exfatscan::cFoundVolume> volume =
            exfatscan::FindVolume({node.Storage(), node.Start(), node.Length(), &progress});
        if (volume) {
            found = exfatscan::MountFound(node, *volume);
            fatFound = volume->fatFound;
        }
        if (!found) {
            return platform::InterruptRequested() ? cli::ScanExitCode(false)
                                                  : cli::Fail("scan", "no exFAT volume found");
        }
    }
    cVExFAT& reader = mounted ? *mounted : *found;
    Report(job, reader, fatFound, mounted != nullptr);
    progress.Stage("build");
    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    const bool finished = exfatscan::Rebuild(reader, {&tree, &deleted, &damaged}, &progress);
    // The volume found reads like a mounted one from now on.
    if (found) {
        node.AttachExtension(std::move(found));
    }
    return cli::SaveRebuildResults(job, tree, deleted, damaged, finished);
}

} // namespace
