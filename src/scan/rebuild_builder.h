#pragma once
// Turns what a file-system reconstruction found into a result tree: directory records
// (an id, the id of the parent, a name) and files waiting for their parent's folder.
// Folders are placed parent first; a chain of parents deeper than 128 levels, a loop of
// parents or a missing parent lands under " [Parent unknown]", so damaged metadata can
// never nest the tree without end.

#include "scan/vstorage.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class cVSReconstructionBuilder {
public:
    // A parent id of all ones: the parent is unknown.
    static constexpr std::uint64_t kNoParent = ~std::uint64_t(0);
    // Levels of parents followed from a record before it is filed as an orphan.
    static constexpr unsigned kMaxChain = 128;
    // Deepest folder the builder makes, so that every tree it makes can be saved and
    // read back (result files refuse deeper nesting).
    static constexpr unsigned kMaxTreeDepth = 250;

    explicit cVSReconstructionBuilder(cQORNVStorage& storage) : storage_(storage) {}

    // A record met twice keeps the first.
    void AddDirectory(std::uint64_t id, std::uint64_t parentId, std::u16string_view name);
    // item: a detached file or folder of the storage, to be appended to the folder of the
    // directory record parentId.
    void AddPending(std::uint64_t parentId, cVSItemId item);
    // The record gets its folder even when nothing is pending in it (an empty folder).
    void KeepDirectory(std::uint64_t id) { kept_.push_back(id); }
    // Places every record that has pending items, and the items; what has no record goes
    // into " [Parent unknown]". The builder is empty afterwards.
    void Build();

private:
    struct Directory {
        std::uint64_t parentId;
        std::string name;
        cVSItemId folder = kNoItem;
        unsigned depth = 0; // of the folder in the tree; the root is 0
    };
    struct Pending {
        std::uint64_t parentId;
        cVSItemId item;
    };

    // The folder of the record, made with the folders of its parents as needed.
    cVSItemId Place(std::uint64_t id);
    // Gives record the folder named after it inside parent (at parentDepth).
    void MakeFolder(Directory& record, cVSItemId parent, unsigned parentDepth);
    void AppendPending(cVSItemId item, cVSItemId folder, std::string_view emptyName);

    cQORNVStorage& storage_;
    std::map<std::uint64_t, Directory> directories_;
    std::vector<Pending> pending_;
    std::vector<std::uint64_t> kept_;
};
