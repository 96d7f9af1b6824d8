#include "scan/signatures/raw_scan.h"

#include "base/progress.h"
#include "scan/async_scan_io.h"
#include "scan/packed_extents.h"
#include "scan/signatures/signature.h"
#include "scan/vs_name.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t kBlockUnits = 256;
constexpr std::uint32_t kLookAheadUnits = 2;
constexpr std::uint32_t kSectorBytes = 512;

void ForgetFolders(cSigList& list) {
    for (std::size_t i = 0; i < list.Size(); ++i) {
        list.At(i).SetResultFolder(cScanSignature::kNoFolder);
        list.At(i).Close();
        ForgetFolders(list.At(i).Children());
    }
}

class cRawScanner {
public:
    explicit cRawScanner(const cRawScanRequest& request) : r_(request) {}

    bool Run() {
        std::uint64_t first = r_.firstSector;
        std::uint64_t count = r_.sectorCount;
        const std::uint32_t unit = r_.unitSectors;
        if (r_.align) {
            // A range that starts inside a unit loses the unit it starts in.
            if (first % unit != 0) {
                count = count > unit ? count - unit : 0;
            }
            first = first / unit * unit + r_.gridOrigin;
        }
        // The scan works in whole units; the sectors of a last partial unit are not read.
        units_ = count / unit;
        totalSectors_ = units_ * unit;
        first_ = first;
        if (units_ == 0) {
            return true;
        }
        if (!reader_.Attach(r_.storage, kBlockUnits * unit, kLookAheadUnits * unit)) {
            return false;
        }
        ForgetFolders(*r_.signatures);
        unitBytes_ = unit * kSectorBytes;
        const bool done = ScanRuns();
        reader_.Stop();
        if (open_ != nullptr) {
            Emit();
        }
        return done;
    }

private:
    const cRawScanRequest& r_;
    cAsyncScanIO reader_;
    std::uint64_t first_ = 0;
    std::uint64_t units_ = 0;
    std::uint64_t totalSectors_ = 0;
    std::uint32_t unitBytes_ = 0;
    std::uint64_t sectorsDone_ = 0;
    std::int64_t lastPercent_ = -1;
    std::uint64_t scanPosition_ = 0;
    // The open file.
    cScanSignature* open_ = nullptr;
    std::vector<cQORNFileAllocation> extents_;
    std::uint64_t size_ = 0;
    bool newExtent_ = false;

    bool InUse(std::uint64_t index) const {
        return r_.unitInUse && r_.unitInUse(r_.firstUnit + index);
    }

    bool ScanRuns() {
        std::uint64_t index = 0;
        while (index < units_) {
            std::uint64_t end = index;
            while (end < units_ && !InUse(end)) {
                ++end;
            }
            if (end > index && !ScanRun(index, end)) {
                return false;
            }
            if (end == units_) {
                break;
            }
            // A run of used units: the open file ends before it or goes on after it.
            std::uint64_t after = end;
            while (after < units_ && InUse(after)) {
                ++after;
            }
            if (open_ != nullptr) {
                if (r_.fragmented) {
                    newExtent_ = true;
                } else {
                    Emit();
                }
            }
            if (!Progress((after - end) * r_.unitSectors)) {
                return false;
            }
            index = after;
        }
        return true;
    }

    bool ScanRun(std::uint64_t index, std::uint64_t end) {
        const std::uint64_t sector = first_ + index * r_.unitSectors;
        const std::uint64_t sectors = (end - index) * r_.unitSectors;
        if (reader_.Seek(r_.partitionStart + sector, sectors) < 0) {
            return false;
        }
        std::uint64_t done = 0;
        while (done < sectors) {
            std::uint32_t count = 0;
            const std::uint8_t* block = reader_.NextBlock(count);
            if (block == nullptr || count == 0) {
                return false;
            }
            const std::uint32_t blockUnits = count / r_.unitSectors;
            for (std::uint32_t i = 0; i < blockUnits; ++i) {
                ScanUnit(block + std::size_t(i) * unitBytes_, sector + done);
                done += r_.unitSectors;
                if (!Progress(r_.unitSectors)) {
                    return false;
                }
            }
            if (blockUnits == 0) {
                return false;
            }
        }
        return true;
    }

    void ScanUnit(const std::uint8_t* data, std::uint64_t sector) {
        const std::uint32_t limit = 3 * unitBytes_;
        // Inside a structure of the open file, a signature is part of the file.
        const bool covered = open_ != nullptr && FileCovers(*open_, scanPosition_);
        if (!covered && (!r_.skipUnit || !r_.skipUnit(data, unitBytes_))) {
            // The search restarts the followers of what it finds, the open file's too.
            const auto settled = open_ != nullptr ? SettledSize(*open_) : std::nullopt;
            cScanSignature* found =
                r_.signatures->FindSignature(data, unitBytes_, limit, scanPosition_);
            if (found != nullptr && found->Kind() != sigkind::kNotAFile &&
                !(open_ != nullptr && found->Kind() == sigkind::kWeak)) {
                if (open_ != nullptr) {
                    Emit(settled);
                }
                open_ = found;
                extents_.assign(1, {sector, r_.unitSectors, 0});
                size_ = 0;
                newExtent_ = false;
            }
        }
        if (open_ != nullptr) {
            std::uint32_t endOffset = 0;
            if (CheckEnd(*open_, data, unitBytes_, limit, scanPosition_, endOffset)) {
                // The unit the file opened in is in its extents already; a later one holds
                // its last bytes, which a file of several fragments must list.
                if (endOffset > 0 && size_ > 0) {
                    Grow(sector);
                }
                size_ += endOffset;
                Emit();
            } else {
                if (size_ > 0 || newExtent_) {
                    Grow(sector);
                }
                size_ += unitBytes_;
            }
        }
        scanPosition_ += unitBytes_;
    }

    void Grow(std::uint64_t sector) {
        if (newExtent_) {
            extents_.push_back({sector, r_.unitSectors, 0});
            newExtent_ = false;
        } else {
            extents_.back().sectors += r_.unitSectors;
        }
    }

    bool Progress(std::uint64_t sectors) {
        sectorsDone_ += sectors;
        const auto percent = std::int64_t(sectorsDone_ * 10000 / totalSectors_);
        if (percent == lastPercent_) {
            return true;
        }
        lastPercent_ = percent;
        return r_.progress->OnProgress(double(percent) / 100);
    }

    // The folder of node, made on first use inside its parent's.
    cVSItemId Folder(cScanSignature& node) {
        if (node.ResultFolder() != cScanSignature::kNoFolder) {
            return cVSItemId(node.ResultFolder());
        }
        const cVSItemId parent =
            node.Parent() != nullptr ? Folder(*node.Parent()) : r_.resultFolder;
        const cVSItemId folder = r_.result->NewFolder(vsname::FromUtf16(node.Name()));
        if (folder == kNoItem || !r_.result->Insert(folder, parent)) {
            return parent;
        }
        node.SetResultFolder(folder);
        return folder;
    }

    void Emit() { Emit(SettledSize(*open_)); }

    // settled: the size at which the file was last complete, when its structure tells.
    void Emit(std::optional<std::uint64_t> settled) {
        cScanSignature& node = *open_;
        open_ = nullptr;
        cVSFileInfo info;
        info.size = size_;
        if (settled && *settled < size_) {
            info.size = *settled;
            // The units read past the settled end are not the file's.
            std::uint64_t needed = (info.size + unitBytes_ - 1) / unitBytes_ * r_.unitSectors;
            std::size_t kept = 0;
            while (kept < extents_.size() && needed > 0) {
                extents_[kept].sectors = std::min(extents_[kept].sectors, needed);
                needed -= extents_[kept].sectors;
                ++kept;
            }
            extents_.resize(std::max<std::size_t>(kept, 1));
        }
        info.position = extents_.front().start;
        std::optional<std::vector<std::uint8_t>> packed;
        if (extents_.size() > 1) {
            packed = packedext::Encode(extents_);
            if (!packed) {
                return;
            }
            info.kind = vsitem::kMultifragFile;
            info.extents = *packed;
        }
        char name[64];
        std::snprintf(name, sizeof name, "%08llu.", static_cast<unsigned long long>(info.position));
        const cVSItemId folder = Folder(node);
        const cVSItemId file = r_.result->NewFile(
            vsname::Cut(std::string(name) + vsname::FromUtf16(node.Extension())), info);
        if (file != kNoItem) {
            r_.result->Insert(file, folder);
        }
    }
};

} // namespace

bool RawScan(const cRawScanRequest& request) {
    if (request.storage == nullptr || request.signatures == nullptr ||
        request.signatures->Empty() || request.unitSectors == 0 ||
        request.unitSectors > cAsyncScanIO::kMaxBlockSectors / kBlockUnits ||
        request.progress == nullptr || request.result == nullptr) {
        return false;
    }
    return cRawScanner(request).Run();
}
