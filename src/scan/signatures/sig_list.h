#pragma once
// An ordered list of sibling signatures (the top level of a rules tree, or a node's
// children) and the search for the signature a unit begins with.
//
// Every unit of a scan is tested against the whole tree, so the list keeps, for each
// value of a unit's first byte, the nodes that byte does not rule out, in list order: a
// node whose begin rules all must hold and pin its first byte to another value could not
// match. The search then visits the same nodes in the same order as a walk of the whole
// list would, less those, and finds exactly what that walk finds.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class cScanSignature;

class cSigList {
public:
    cSigList();
    ~cSigList();
    cSigList(const cSigList&) = delete;
    cSigList& operator=(const cSigList&) = delete;

    // Appends a node whose rules are all added already; parent is the node that holds this
    // list (null for the top level).
    cScanSignature& Append(std::unique_ptr<cScanSignature> node, cScanSignature* parent);

    bool Empty() const { return nodes_.empty(); }
    std::size_t Size() const { return nodes_.size(); }
    const cScanSignature& At(std::size_t i) const { return *nodes_[i]; }
    cScanSignature& At(std::size_t i) { return *nodes_[i]; }

    // The deepest signature that matches the unit at data (unit bytes of its own, limit
    // bytes readable in all; a unit longer than limit is taken as limit), or null. A match
    // records scanPosition as the matching nodes' open start and computes their sizes.
    cScanSignature* FindSignature(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                                  std::uint64_t scanPosition);

private:
    void BuildDispatch();

    std::vector<std::unique_ptr<cScanSignature>> nodes_;
    // candidates_[starts_[b]] up to candidates_[starts_[b + 1]]: the indexes of the nodes a
    // first byte b leaves in the running; b = 256 lists them all.
    std::vector<std::uint32_t> candidates_;
    std::array<std::uint32_t, 258> starts_{};
    bool dispatchBuilt_ = false;
};
