#include "app/fs_tools/fs_test.h"

#include "base/checked.h"
#include "base/lang/text_registry.h"
#include "base/utf.h"
#include "scan/sector_mend.h"
#include "vfs/tree_walk.h"

#include <memory>

namespace {

constexpr std::uint32_t kChunk = 1u << 20;
constexpr std::uint32_t kSweepSectors = 256;

std::u16string FullPath(const std::u16string& path) {
    return u"/" + path;
}

// Reads the file to its end; false when the stream does not open or gives less than its
// size. Stopped part way, the file counts as read.
bool ReadsWhole(cVFS& fs, const cFSObject& file, bool readAll, std::vector<std::uint8_t>& buffer,
                bool& shortRead, const std::function<bool()>& stop) {
    const std::unique_ptr<cObjectHandle> handle = fs.OpenObject(file);
    if (!handle || !handle->IsOpen()) {
        return false;
    }
    if (!readAll) {
        return true;
    }
    buffer.resize(kChunk);
    for (std::uint64_t done = 0; done < file.size;) {
        if (stop()) {
            return true;
        }
        const std::uint32_t want =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunk, file.size - done));
        const std::uint32_t got = handle->Read(buffer.data(), want);
        done += got;
        if (got < want) {
            shortRead = true;
            return false;
        }
    }
    return true;
}

// Every unreadable sector of the volume, read through the scan's mender.
void SweepVolume(cVFS& fs, cBadRanges& bad, const std::function<bool()>& stop) {
    cBaseIO* storage = fs.Storage();
    const cPartRecord* record = fs.Partition();
    if (!storage || !record) {
        return;
    }
    cSectorMender mender(stop);
    std::vector<std::uint8_t> buffer(std::size_t(kSweepSectors) * kSectorSize);
    if (!mender.Prepare(*storage)) {
        return;
    }
    const std::uint64_t first = record->Start();
    const std::uint64_t end =
        std::min(checked::SaturatingAdd(first, record->Length()), storage->GetSectorCount());
    for (std::uint64_t at = first; at < end && !stop(); at += kSweepSectors) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kSweepSectors, end - at));
        if (storage->SeekSector(at) < 0) {
            bad.Add(at, end - at);
            break;
        }
        mender.Read(at, buffer.data(), count, end);
    }
    bad.Add(mender.TakeFound());
}

} // namespace

bool TestFileSystem(cVFS& fs, bool readAll, cFsTestResult& result,
                    const std::function<void(const cFsTestResult&)>& progress,
                    const std::function<bool()>& stop) {
    result = {};
    result.readAll = readAll;
    cFsTestCounters& counts = result.counters;
    const std::unique_ptr<cFSObject> root = fs.GetObject(fs.GetRootId());
    if (!root || root->Kind() != fskind::kFolder) {
        counts.damagedFolders = 1;
        result.damaged.push_back(u"/");
        progress(result);
        return true;
    }
    counts.intactFolders = 1;
    bool shortRead = false;
    bool stopped = false;
    std::vector<std::uint8_t> buffer;
    cTreeWalk walk(
        fs,
        [&](const cFSObject& entry, const std::u16string& path) {
            if (stop()) {
                stopped = true;
                return false;
            }
            if (entry.Kind() == fskind::kFolder) {
                ++counts.intactFolders;
            } else if (entry.Kind() == fskind::kFile) {
                if (ReadsWhole(fs, entry, readAll, buffer, shortRead, stop)) {
                    ++counts.intactFiles;
                    counts.intactBytes = checked::SaturatingAdd(counts.intactBytes, entry.size);
                } else {
                    ++counts.damagedFiles;
                    counts.damagedBytes = checked::SaturatingAdd(counts.damagedBytes, entry.size);
                    result.damaged.push_back(FullPath(path));
                }
            }
            progress(result);
            return true;
        },
        [&](const cFSObject&, const std::u16string& path) {
            // Counted intact when it was met; its listing has just ended early.
            --counts.intactFolders;
            ++counts.damagedFolders;
            result.damaged.push_back(FullPath(path));
        });
    walk.Walk(*root);
    if (shortRead && !stopped) {
        SweepVolume(fs, result.badRanges, stop);
    }
    progress(result);
    return !stopped && !stop();
}

std::string BuildFsTestReport(const cFsTestResult& result, report::Encoding encoding) {
    const auto text = [](int number) {
        return std::u16string(lang::Registry().Text("qorns::tstfs", number).value_or(u""));
    };
    const auto figures = [&](int label, std::uint64_t intact, std::uint64_t damaged) {
        return text(label) + u" " + text(6) + u" " + utf::FromAscii(std::to_string(intact)) +
               u", " + text(7) + u" " + utf::FromAscii(std::to_string(damaged));
    };
    const cFsTestCounters& counts = result.counters;
    report::cReportText out(encoding);
    out.AddLine(text(0));
    out.AddLine(u"");
    out.AddLine(figures(3, counts.intactFolders, counts.damagedFolders));
    out.AddLine(figures(4, counts.intactFiles, counts.damagedFiles));
    out.AddLine(figures(5, counts.intactBytes, counts.damagedBytes));
    if (result.readAll) {
        out.AddLine(text(13) + u" " + utf::FromAscii(FormatBadRanges(result.badRanges)));
    }
    for (const std::u16string& path : result.damaged) {
        out.AddLine(path);
    }
    return out.Take();
}

cFsTestCounters cFsTestJob::Counters() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return result_.counters;
}

cFsTestResult cFsTestJob::Result() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return result_;
}

unsigned cFsTestJob::Run() {
    cFsTestResult testing;
    // The damaged list is handed over only at the end: the window shows the counters
    // while the test runs, and copying a long list after every object would cost more
    // than the test itself.
    const bool done = TestFileSystem(
        fs_, readAll_, testing,
        [this](const cFsTestResult& now) {
            {
                const std::lock_guard<std::mutex> hold(lock_);
                result_.counters = now.counters;
            }
            Changed();
        },
        [this] { return IsStopRequested(); });
    const std::lock_guard<std::mutex> hold(lock_);
    result_ = std::move(testing);
    return done ? 0 : 1;
}
