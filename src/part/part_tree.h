#pragma once
// The partition tree of a storage. The root is the whole-storage node; map parsers hang
// the partitions they find below the node whose area they read, so an extended partition,
// a disklabel inside a slice or a GPT behind its protective entry appear as deeper levels.
//
// A node's partition record (storage, start, length, type, extensions) is what file-system
// readers and detection receive; the record must not outlive the storage it points to.
// Trees have no lock: one thread builds or reads a tree at a time.

#include "part/part_extension.h"
#include "part/part_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class cBaseIO;
class cPartParser;
class cPartTree;

class cPartRecord {
public:
    cPartRecord() = default;
    cPartRecord(const cPartRecord&) = delete;
    cPartRecord& operator=(const cPartRecord&) = delete;
    ~cPartRecord();

    // Destroys every extension, then sets the record (type name copied from the table).
    // Answers whether the length is non-zero; the record is set either way. A null
    // storage answers no and changes nothing but the extensions.
    bool SetRecord(cBaseIO* storage, std::uint64_t start, std::uint64_t length,
                   std::uint16_t typeCode);
    // Moves the partition, cutting its length at the end of the storage. Nothing changes
    // when start is not inside the storage or nothing of the partition would be left.
    void SetRange(std::uint64_t start, std::uint64_t length);
    // Retypes the partition; the name follows from the table.
    void SetTypeCode(std::uint16_t typeCode);
    // A name of the map's own (the Apple map names its partitions) in place of the table's.
    void SetTypeName(std::u16string name) { typeName_ = std::move(name); }

    // Appends the extension, first destroying one of the same kind. Null is ignored.
    void AttachExtension(std::unique_ptr<cPartExtension> extension);
    cPartExtension* FindExtension(std::uint32_t kind) const;
    template <class T> T* FindExtensionAs(std::uint32_t kind) const {
        return dynamic_cast<T*>(FindExtension(kind));
    }
    // Destroys every extension in the order attached.
    void DestroyExtensions();
    const std::vector<std::unique_ptr<cPartExtension>>& Extensions() const { return extensions_; }

    cBaseIO* Storage() const { return storage_; }
    std::uint64_t Start() const { return start_; }
    std::uint64_t Length() const { return length_; }
    std::uint16_t TypeCode() const { return typeCode_; }
    const std::u16string& TypeName() const { return typeName_; }

private:
    std::vector<std::unique_ptr<cPartExtension>> extensions_;
    std::uint64_t start_ = 0;
    std::uint64_t length_ = 0;
    std::uint16_t typeCode_ = 0;
    std::u16string typeName_;
    cBaseIO* storage_ = nullptr;
};

class cPartTreeItem final : public cPartRecord {
public:
    cPartTreeItem() = default;
    // Children go first, then the node's own extensions.
    ~cPartTreeItem() = default;

    cPartTree* Tree() const { return tree_; }
    cPartTreeItem* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<cPartTreeItem>>& Children() const { return children_; }
    bool HasChildren() const { return !children_.empty(); }
    cPartTreeItem* FirstChild() const {
        return children_.empty() ? nullptr : children_.front().get();
    }
    cPartTreeItem* Next() const;
    cPartTreeItem* Previous() const;
    // 0 for a root, 1 for its children, and so on.
    unsigned Depth() const;
    // The parser that read this node's map, if any.
    cPartParser* Parser() const;

private:
    friend class cPartTree;

    cPartTree* tree_ = nullptr;
    cPartTreeItem* parent_ = nullptr;
    std::vector<std::unique_ptr<cPartTreeItem>> children_;
};

// The tree of one storage: its roots (normally exactly one, the whole-storage node).
class cPartTree {
public:
    cPartTree() = default;
    cPartTree(const cPartTree&) = delete;
    cPartTree& operator=(const cPartTree&) = delete;
    ~cPartTree() { DestroyAll(); }

    cPartTreeItem* First() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    const std::vector<std::unique_ptr<cPartTreeItem>>& Roots() const { return roots_; }
    // Every node of the tree, counted as they are added and destroyed.
    std::size_t NodeCount() const { return nodeCount_; }
    // The storage's logical block in 512-byte sectors: the unit MBR and GPT entries count
    // in (8 on a drive with 4096-byte logical sectors).
    std::uint32_t BlockSectors() const { return blockSectors_; }
    void SetBlockSectors(std::uint32_t sectors) { blockSectors_ = sectors; }

    // Appends node after the last child of parent (after the last root for null). A node
    // from another tree or with a place in this one must be taken out first; its own
    // children come along.
    cPartTreeItem& AddChild(cPartTreeItem* parent, std::unique_ptr<cPartTreeItem> node);
    // Destroys first, the siblings after it and all their children.
    void DestroySubtree(cPartTreeItem* first);
    void DestroyChildren(cPartTreeItem& node);
    void DestroyAll();
    // Destroys the node with its children and closes the gap among its siblings.
    void Remove(cPartTreeItem* node);
    // Makes node the last child of newParent (a root for null). No when that would put
    // the node inside its own subtree or the node is not in this tree.
    bool Move(cPartTreeItem* node, cPartTreeItem* newParent);
    // Takes the node with its children out of this tree, for AddChild in another; null
    // when the node is not in this tree.
    std::unique_ptr<cPartTreeItem> Take(cPartTreeItem* node);

    // Depth-first searches: a node before its children, the children before the next
    // sibling. Null when none matches.
    cPartTreeItem* FindFirst(const std::function<bool(const cPartTreeItem&)>& match) const;
    cPartTreeItem* FindByStart(std::uint64_t start) const;
    // The node whose file system gives the same identity record (same length and bytes).
    cPartTreeItem* FindByFileSystem(std::span<const std::uint8_t> identity) const;
    // Visits every node in the same order.
    void ForEach(const std::function<void(cPartTreeItem&)>& visit) const;

    // A partition the user defines by hand: appended under parent (under the first root
    // for null) on the parent's storage, type 0. Null when the length is 0 or there is
    // no parent to take the storage from.
    cPartTreeItem* AddUserPartition(cPartTreeItem* parent, std::uint64_t start,
                                    std::uint64_t length);

private:
    std::vector<std::unique_ptr<cPartTreeItem>>& SiblingsOf(const cPartTreeItem& node);
    std::unique_ptr<cPartTreeItem> Unlink(cPartTreeItem& node);
    void AddChildTreeLinks(cPartTreeItem& node);

    std::vector<std::unique_ptr<cPartTreeItem>> roots_;
    std::size_t nodeCount_ = 0;
    std::uint32_t blockSectors_ = 1;
};

// A partition kept outside every tree (the application keeps found or loaded partitions
// in lists of these), with a buffer of its own.
struct cPartListItem {
    cPartTreeItem node;
    std::vector<std::uint8_t> buffer;
};
