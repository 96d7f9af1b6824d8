// scan --method fat: rebuilds a FAT12, FAT16 or FAT32 volume from its folder clusters,
// even with its boot sectors lost or after a quick format, and saves its folder tree, its
// deleted files and its damaged files as three results.

#include "platform/terminal.h"
#include "scan/fat/fat_mount.h"
#include "scan/fat/fat_reconstructor.h"
#include "scan_common.h"
#include "vfs/fat/vfat.h"

#include <cstdio>

namespace {

int RunFatScan(const cli::ScanJob& job);

const cli::ScanMethod
    kFat("fat",
         "Finds the FAT volume on the partition by its folders' \".\" and \"..\" entries and its\n"
         "two allocation tables (or takes it from the mounted volume), checks both tables and\n"
         "keeps the one with fewer broken chains, then reads every cluster for folder entries\n"
         "and puts the tree back together. Three results are saved: BASE-tree.drdb (files in\n"
         "use), BASE-deleted.drdb (deleted files whose clusters are still free, under their\n"
         "folders) and BASE-damaged.drdb (files whose clusters could not all be had: only what\n"
         "is certain to be theirs is kept). Folders whose parent is gone, such as the folders\n"
         "of a quick-formatted FAT12/16 root, lie under \" [Parent unknown]\" as folderNNNNNNNN.\n",
         {}, {}, RunFatScan);

const char* TypeName(fatscan::FatType type) {
    switch (type) {
    case fatscan::FatType::kFat12:
        return "FAT12";
    case fatscan::FatType::kFat16:
        return "FAT16";
    default:
        return "FAT32";
    }
}

void Report(const cli::ScanJob& job, const fatscan::cFATGeometry& geometry, bool mounted) {
    if (job.json) {
        cli::JsonObject()
            .Add("fat_type", TypeName(geometry.fatType))
            .Add("cluster_size", geometry.clusterBytes)
            .Add("data_start", geometry.dataStart)
            .Add("first_fat_sector", geometry.firstFatSector)
            .Add("clusters", geometry.clusterCount)
            .Add("mounted", mounted)
            .Print();
        return;
    }
    std::printf("%s volume, %u-byte clusters from sector %llu, tables from sector %llu, %llu "
                "clusters%s\n",
                TypeName(geometry.fatType), geometry.clusterBytes,
                static_cast<unsigned long long>(geometry.dataStart),
                static_cast<unsigned long long>(geometry.firstFatSector),
                static_cast<unsigned long long>(geometry.clusterCount),
                mounted ? " (from the mounted volume)" : "");
}

// What the index holds until the build: the folder clusters found and their bytes.
void ReportIndex(const cli::ScanJob& job, const cFATReconstructor& reconstructor) {
    const std::uint64_t clusters = reconstructor.Records().size();
    const std::uint64_t bytes = reconstructor.RecordBytes();
    if (job.json) {
        cli::JsonObject().Add("folder_clusters", clusters).Add("index_bytes", bytes).Print();
    } else {
        std::printf("%llu folder clusters indexed in %llu bytes\n",
                    static_cast<unsigned long long>(clusters),
                    static_cast<unsigned long long>(bytes));
    }
}

int RunFatScan(const cli::ScanJob& job) {
    cPartTreeItem& node = job.node;
    if (!node.Storage()) {
        return cli::Fail("scan", "the partition has no storage");
    }
    cFATReconstructor reconstructor(*node.Storage(), node.Start(), node.Length());
    cli::cScanProgress progress(job.json, "detect");
    const auto* mounted =
        dynamic_cast<cVFATBase*>(node.FindExtensionAs<cVFS>(part_ext::kFileSystem));
    if (mounted) {
        reconstructor.SetGeometry(fatscan::GeometryOf(*mounted));
    } else if (!reconstructor.Detect(&progress)) {
        return platform::InterruptRequested() ? cli::ScanExitCode(false)
                                              : cli::Fail("scan", "no FAT volume found");
    }
    Report(job, reconstructor.Geometry(), mounted != nullptr);
    progress.Stage("table");
    if (!reconstructor.CheckTables(&progress)) {
        return platform::InterruptRequested()
                   ? cli::ScanExitCode(false)
                   : cli::Fail("scan", "the allocation tables cannot be read");
    }
    progress.Stage("index");
    bool finished = reconstructor.Index(&progress);
    ReportIndex(job, reconstructor);
    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    if (finished) {
        progress.Stage("build");
        finished = reconstructor.Build({&tree, &deleted, &damaged}, &progress);
    }
    // With the geometry known (the FAT32 root found by the build) the partition reads
    // like a mounted volume.
    if (!mounted) {
        if (auto reader = fatscan::MountFromGeometry(node, reconstructor.Geometry())) {
            node.AttachExtension(std::move(reader));
        }
    }
    return cli::SaveRebuildResults(job, tree, deleted, damaged, finished);
}

} // namespace
