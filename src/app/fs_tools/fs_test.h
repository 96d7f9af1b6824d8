#pragma once
// The file-system test: every folder of a volume listed and every file opened (and, when
// asked, read to its last byte), counting what is intact and what is damaged, with the
// paths of the damaged objects and the volume's unreadable sectors.

#include "app/fs_tools/watched_job.h"
#include "app/report_text.h"
#include "scan/bad_ranges.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct cFsTestCounters {
    std::uint64_t intactFolders = 0;
    std::uint64_t damagedFolders = 0;
    std::uint64_t intactFiles = 0;
    std::uint64_t damagedFiles = 0;
    std::uint64_t intactBytes = 0;
    std::uint64_t damagedBytes = 0;

    bool Empty() const { return intactFolders + damagedFolders + intactFiles + damagedFiles == 0; }
    bool operator==(const cFsTestCounters&) const = default;
};

struct cFsTestResult {
    cFsTestCounters counters;
    // Full paths ("/a/b") of the damaged folders and files, in the order met.
    std::vector<std::u16string> damaged;
    bool readAll = false;
    // With readAll, when a file's data came back short: the volume's sectors that cannot
    // be read (absolute sectors of the storage).
    cBadRanges badRanges;
};

// Tests the volume from its root. A folder is intact when its listing completes; a file
// when its data stream opens and, with readAll, yields all its bytes. progress is called
// after every object; stop before every object and between pieces of a file's data.
// False when stopped.
bool TestFileSystem(cVFS& fs, bool readAll, cFsTestResult& result,
                    const std::function<void(const cFsTestResult&)>& progress,
                    const std::function<bool()>& stop);

// The report: a title line, an empty line, the folders, files and data-size figures
// (intact and damaged), the unreadable sectors after a test that read all data, then the
// damaged objects one per line.
std::string BuildFsTestReport(const cFsTestResult& result,
                              report::Encoding encoding = report::Encoding::Utf16Le);

// The test on a job thread; the window reads the counters while it runs and the whole
// result when it has finished; it is told at most every kRedrawMs.
class cFsTestJob final : public cWatchedJob {
public:
    static constexpr unsigned kRedrawMs = 100;
    cFsTestJob(cVFS& fs, bool readAll) : fs_(fs), readAll_(readAll) {}
    ~cFsTestJob() override { Stop(); }

    void SetReadAll(bool readAll) { readAll_ = readAll; }
    cFsTestCounters Counters() const;
    cFsTestResult Result() const;

protected:
    unsigned Run() override;

private:
    cVFS& fs_;
    bool readAll_;
    mutable std::mutex lock_;
    cFsTestResult result_;
};
