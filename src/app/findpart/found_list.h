#pragma once
// The found list of a partition search: a tree of its own whose top node spans the
// searched storage, with the volumes found below it. The search adds rows from its job
// thread while the window reads them, both under the list's lock.

#include "base/sync.h"
#include "part/part_tree.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class cBaseIO;

// The root check of a found volume: whether its root folder lists.
enum class cRootCheck : int { kListed = 0, kNone = 1, kUnreadable = 2 };
cRootCheck CheckRoot(const cPartTreeItem& node);

class cFoundList {
public:
    // table: the storage's partition tree as its maps give it (may be null), to tell the
    // rows that the partition table still lists.
    cFoundList(cBaseIO& storage, const cPartTree* table);
    cFoundList(const cFoundList&) = delete;
    cFoundList& operator=(const cFoundList&) = delete;

    // Drops every row; the saved flag is cleared.
    void Clear();

    cBaseIO& Storage() const { return storage_; }
    cPartTree& Tree() { return tree_; }
    cPartTreeItem& Top() { return *tree_.First(); }
    const cPartTreeItem& Top() const { return *tree_.First(); }
    std::uint64_t SectorCount() const { return Top().Length(); }

    // The found volumes, in the order of the tree: every node below the top that holds
    // a file system.
    std::vector<cPartTreeItem*> Rows() const;
    // Whether the storage's partition table holds a partition at the node's start that is
    // the same volume: the same length, or the same kind of file system.
    bool Listed(const cPartTreeItem& node) const;

    // The root check made when the row was added.
    cRootCheck RootState(const cPartTreeItem& node) const;
    void SetRootState(const cPartTreeItem& node, cRootCheck state) { rootStates_[&node] = state; }

    // Set after a save or a load, cleared when the search adds a row.
    bool Saved() const { return saved_; }
    void SetSaved(bool saved) { saved_ = saved; }

    // The lock between the search's thread and the window: an auto-reset event, entered
    // by waiting for it and left by setting it.
    class cGuard {
    public:
        explicit cGuard(cFoundList& list) : list_(list) { list_.lock_.Wait(); }
        ~cGuard() { list_.lock_.Set(); }
        cGuard(const cGuard&) = delete;
        cGuard& operator=(const cGuard&) = delete;

    private:
        cFoundList& list_;
    };

private:
    cBaseIO& storage_;
    const cPartTree* table_;
    cPartTree tree_;
    std::map<const cPartTreeItem*, cRootCheck> rootStates_;
    bool saved_ = false;
    cEvent lock_{false, true};
};

// The texts of a row's columns.
struct cFoundRowTexts {
    std::string fileSystem;
    std::string start;
    std::string size; // "SECTORS (N.NNGB)"
    std::u16string label;
};
cFoundRowTexts RowTexts(const cPartTreeItem& node);
