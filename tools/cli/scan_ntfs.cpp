// scan --method ntfs: finds an NTFS volume by its file records, even with its boot sectors
// lost or its place on the disk unknown, and saves its folder tree, its deleted files and
// its damaged files as three results.

#include "scan/ntfs/deep_scan.h"
#include "scan_common.h"

#include <cstdio>
#include <iterator>

namespace {

int RunNtfsScan(const cli::ScanJob& job);

const cli::ScanMethod kNtfs(
    "ntfs",
    "Finds the NTFS volume on the partition by its master file table's record of itself\n"
    "(or takes it from the mounted volume), then reads every file record of the partition\n"
    "and puts the folder tree back together from the records' names and parents. Three\n"
    "results are saved: BASE-tree.drdb (files in use), BASE-deleted.drdb (records no longer\n"
    "in use, under the folders their parents still give) and BASE-damaged.drdb (torn\n"
    "records and files whose data runs leave the volume). Files whose parent folder was\n"
    "never found lie under \" [Parent unknown]\". On a mounted volume the records of the MFT\n"
    "itself are read first.\n",
    {}, {}, RunNtfsScan);

void Report(const cli::ScanJob& job, const cNTFSGeometry& geometry, bool mounted) {
    const unsigned long long absolute = job.node.Start() + geometry.volumeStart;
    if (job.json) {
        cli::JsonObject()
            .Add("volume_start", std::uint64_t(absolute))
            .Add("cluster_size", geometry.clusterSize)
            .Add("record_size", geometry.recordSize)
            .Add("mft_cluster", geometry.mftCluster)
            .Add("mounted", mounted)
            .Print();
        return;
    }
    std::printf("NTFS volume at sector %llu, %u-byte clusters, %u-byte records, MFT at "
                "cluster %llu%s\n",
                absolute, geometry.clusterSize, geometry.recordSize,
                static_cast<unsigned long long>(geometry.mftCluster),
                mounted ? " (from the mounted volume)" : "");
}

void ReportStartsBefore(const cli::ScanJob& job, const mftdetect::cResult& found) {
    for (const std::uint64_t before : found.startsBefore) {
        if (job.json) {
            cli::JsonObject().Add("volume_start_before_partition", before).Print();
        } else {
            std::printf("an MFT was found whose volume would start %llu sectors before the "
                        "partition; scan the whole disk to recover it\n",
                        static_cast<unsigned long long>(before));
        }
    }
}

// Names each stage of the deep scan on the terminal or in the JSON rows.
class cStageNames final : public cProgressNotifyTarget {
public:
    explicit cStageNames(cli::cScanProgress& progress) : progress_(progress) {}
    bool OnProgress(double percent) override { return progress_.OnProgress(percent); }
    void SetStage(int stage) override {
        static constexpr const char* kNames[] = {"detect", "mft", "scan", "place"};
        if (stage >= 0 && stage < int(std::size(kNames))) {
            progress_.Stage(kNames[stage]);
        }
    }

private:
    cli::cScanProgress& progress_;
};

int RunNtfsScan(const cli::ScanJob& job) {
    cQORNVStorage tree;
    cQORNVStorage deleted;
    cQORNVStorage damaged;
    cli::cScanProgress progress(job.json, "detect");
    cStageNames stages(progress);
    const ntfsscan::cDeepScanOutcome outcome =
        ntfsscan::DeepScan(job.node, {&tree, &deleted, &damaged}, &stages);
    ReportStartsBefore(job, outcome.detection);
    if (!outcome.geometry) {
        return outcome.detection.stopped ? cli::ScanExitCode(false)
                                         : cli::Fail("scan", "no NTFS master file table found");
    }
    Report(job, *outcome.geometry, outcome.fromMountedReader);
    return cli::SaveRebuildResults(job, tree, deleted, damaged, outcome.scan.finished);
}

} // namespace
