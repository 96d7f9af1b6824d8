#pragma once
// Result trees for tests: a tree written out as text (one line per item, with every field
// a result file keeps) to compare two trees, and a small tree with one file of each kind.

#include "scan/vstorage.h"

#include <string>

namespace scantest {

inline void DescribeFolder(const cQORNVStorage& tree, cVSItemId folder, const std::string& path,
                           std::string& out) {
    for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
        const std::string inner = path + "/" + std::string(tree.Name(item));
        out += "folder " + inner + "\n";
        DescribeFolder(tree, item, inner, out);
    }
    for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
        const auto extents = tree.Extents(item);
        out += "file " + path + "/" + std::string(tree.Name(item)) + " kind " +
               std::to_string(tree.FileKind(item)) + " size " + std::to_string(tree.Size(item)) +
               " at " + std::to_string(tree.Position(item)) + " time " +
               std::to_string(tree.MTime(item)) + " fs " + std::to_string(tree.FsType(item)) +
               " extents " + std::string(extents.begin(), extents.end()) + "\n";
    }
}

// Every item below the root, subfolders before files as listed; the root's name first.
inline std::string DescribeTree(const cQORNVStorage& tree) {
    if (!tree.Root()) {
        return "(empty)";
    }
    std::string out = "root " + std::string(tree.Name(tree.Root())) + "\n";
    DescribeFolder(tree, tree.Root(), "", out);
    return out;
}

inline cVSItemId AddRaw(cQORNVStorage& tree, cVSItemId folder, std::string_view name,
                        std::uint64_t start, std::uint64_t size) {
    cVSFileInfo info;
    info.kind = vsitem::kRawFile;
    info.position = start;
    info.size = size;
    const cVSItemId file = tree.NewFile(name, info);
    tree.Insert(file, folder);
    return file;
}

inline cVSItemId AddFolder(cQORNVStorage& tree, cVSItemId parent, std::string_view name) {
    const cVSItemId folder = tree.NewFolder(name);
    tree.Insert(folder, parent);
    return folder;
}

} // namespace scantest
