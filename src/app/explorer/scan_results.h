#pragma once
// The scan results the window keeps for the opened partition.
//
// A result is a partition node of its own, named "Scan%d", kept outside the storage's
// tree (it lives only as long as the browse view keeps the partition open): it covers the
// scanned partition's storage and length, its start moved on by the file-system start a
// FAT detection corrected, and it holds the result tree as its virtual storage with a
// reconstructed file system mounted over it. Files the tree found through file-system
// metadata (an NTFS deep scan's) open through the readers of the scanned partition.
//
// A new result takes the number of the last one plus 1, or 0 in an empty list; results
// are kept in the order they came. Going back to the storage view, opening another
// partition or closing the window loses them, so each asks first while one is unsaved.
//
// The recovery flow hands its finished trees to cZelvaneForm::AddScanResult, which adds
// them here and shows them under the partition; this class itself draws nothing, so
// tests build results from a loaded ".drdb" without a window.

#include "scan/vstorage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cPartTreeItem;
class cVFS;
class cVReconstructedFS;

namespace explorer {

class cScanResult {
public:
    // Null when the shifted start leaves nothing of the partition.
    static std::unique_ptr<cScanResult> Make(int number, cPartTreeItem& scanned,
                                             std::unique_ptr<cQORNVStorage> tree,
                                             std::uint64_t startShift, bool saved);
    ~cScanResult();

    int Number() const { return number_; }
    // "Scan%d": the node's caption and the last part of the name the result is saved under.
    std::u16string Name() const;
    bool Saved() const { return saved_; }
    void MarkSaved() { saved_ = true; }

    cPartTreeItem& Scanned() const { return scanned_; }
    cPartTreeItem& Node() const { return *node_; }
    const cQORNVStorage& Tree() const { return *tree_; }
    cVFS& FileSystem() const;
    // The files the tree holds and their bytes, counted once when the result was made.
    const cVSTotals& Totals() const { return totals_; }

private:
    cScanResult(int number, cPartTreeItem& scanned, bool saved);

    int number_;
    cPartTreeItem& scanned_;
    bool saved_;
    std::unique_ptr<cPartTreeItem> node_;
    // Owned by the node as its extensions.
    cQORNVStorage* tree_ = nullptr;
    cVReconstructedFS* fs_ = nullptr;
    cVSTotals totals_;
};

class cScanResults {
public:
    cScanResults();
    ~cScanResults();

    // Makes the next result of scanned from tree; null when its node cannot be made.
    cScanResult* Add(cPartTreeItem& scanned, std::unique_ptr<cQORNVStorage> tree, bool saved,
                     std::uint64_t startShift = 0);
    // Destroys the result; its node, tree and file system go with it.
    void Remove(const cScanResult* result);
    // The result whose node this is; null for any other node.
    cScanResult* Find(const cPartTreeItem* node) const;
    bool HasUnsaved() const;
    void Clear() { results_.clear(); }
    bool Empty() const { return results_.empty(); }
    const std::vector<std::unique_ptr<cScanResult>>& Results() const { return results_; }

private:
    std::vector<std::unique_ptr<cScanResult>> results_;
};

} // namespace explorer
