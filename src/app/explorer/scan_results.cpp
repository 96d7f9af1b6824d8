#include "app/explorer/scan_results.h"

#include "base/format_text.h"
#include "part/part_tree.h"
#include "scan/reconstructed_fs.h"

#include <algorithm>

namespace explorer {

cScanResult::cScanResult(int number, cPartTreeItem& scanned, bool saved)
    : number_(number), scanned_(scanned), saved_(saved), node_(std::make_unique<cPartTreeItem>()) {}

cScanResult::~cScanResult() = default;

std::unique_ptr<cScanResult> cScanResult::Make(int number, cPartTreeItem& scanned,
                                               std::unique_ptr<cQORNVStorage> tree,
                                               std::uint64_t startShift, bool saved) {
    if (!tree || !scanned.Storage() || startShift >= scanned.Length() ||
        startShift > UINT64_MAX - scanned.Start()) {
        return nullptr;
    }
    std::unique_ptr<cScanResult> result(new cScanResult(number, scanned, saved));
    cPartTreeItem& node = *result->node_;
    node.SetRecord(scanned.Storage(), scanned.Start() + startShift, scanned.Length(),
                   scanned.TypeCode());
    result->totals_ = CountFiles(*tree);
    result->tree_ = tree.get();
    node.AttachExtension(std::move(tree));
    auto fs = std::make_unique<cVReconstructedFS>();
    if (!fs->Mount(node)) {
        return nullptr;
    }
    fs->ReadMetadataThrough(scanned);
    result->fs_ = fs.get();
    node.AttachExtension(std::move(fs));
    return result;
}

std::u16string cScanResult::Name() const {
    return FormatText(u"Scan%d", {number_});
}

cVFS& cScanResult::FileSystem() const {
    return *fs_;
}

cScanResults::cScanResults() = default;
cScanResults::~cScanResults() = default;

cScanResult* cScanResults::Add(cPartTreeItem& scanned, std::unique_ptr<cQORNVStorage> tree,
                               bool saved, std::uint64_t startShift) {
    const int number = results_.empty() ? 0 : results_.back()->Number() + 1;
    std::unique_ptr<cScanResult> result =
        cScanResult::Make(number, scanned, std::move(tree), startShift, saved);
    return result ? results_.emplace_back(std::move(result)).get() : nullptr;
}

void cScanResults::Remove(const cScanResult* result) {
    std::erase_if(results_, [result](const auto& kept) { return kept.get() == result; });
}

cScanResult* cScanResults::Find(const cPartTreeItem* node) const {
    for (const auto& result : results_) {
        if (&result->Node() == node) {
            return result.get();
        }
    }
    return nullptr;
}

bool cScanResults::HasUnsaved() const {
    return std::any_of(results_.begin(), results_.end(),
                       [](const auto& result) { return !result->Saved(); });
}

} // namespace explorer
