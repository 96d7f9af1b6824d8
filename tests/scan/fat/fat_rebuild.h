#pragma once
// Rebuilding the fixture FAT images in tests: the image in memory (so a test may damage
// it), the reconstruction's three result trees, each readable through its own
// reconstructed file system, and the files of a source tree to compare them with.

#include "part/part_tree.h"
#include "scan/fat/fat_reconstructor.h"
#include "scan/reconstructed_fs.h"
#include "scan/vstorage.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fatscantest {

using Bytes = std::vector<std::uint8_t>;
// Files by path ("/a/b") with their bytes.
using Files = std::map<std::string, Bytes>;

// One result tree and a reader over it.
struct cResult {
    cPartRecord record;
    cQORNVStorage* tree = nullptr;
    cVReconstructedFS fs;
};

struct cRebuild {
    explicit cRebuild(Bytes image);
    // Runs detection (or takes the given geometry), the table check, indexing and building;
    // false at the first step that fails.
    bool Run();
    // Every file of a result with its bytes (as far as they read), and the paths of its
    // folders.
    Files FilesOf(const cResult& result) const;
    std::vector<std::string> FoldersOf(const cResult& result) const;

    cMemIO io;
    std::unique_ptr<cFATReconstructor> reconstructor;
    cResult rebuilt;
    cResult deleted;
    cResult damaged;
    cFATBuildCounts counts;
};

inline std::string Image(const std::string& name) {
    return fixtures::Image("fat-scan.sh", name);
}

inline Bytes ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file below folder on the host, by path relative to it.
inline Files HostTree(const std::string& folder) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files["/" + std::filesystem::relative(entry.path(), folder).string()] =
                ReadHostFile(entry.path().string());
        }
    }
    return files;
}

namespace detail {

inline void Attach(cResult& result, cMemIO& io) {
    result.record.SetRecord(&io, 0, io.GetSectorCount(), 0x0C);
    auto tree = std::make_unique<cQORNVStorage>();
    result.tree = tree.get();
    result.record.AttachExtension(std::move(tree));
}

inline Bytes ReadAll(cVFS& fs, const cFSObject& entry) {
    Bytes out;
    const auto handle = fs.OpenObject(entry);
    if (!handle) {
        return out;
    }
    Bytes piece(65536);
    while (const std::uint32_t got = handle->Read(piece.data(), std::uint32_t(piece.size()))) {
        out.insert(out.end(), piece.begin(), piece.begin() + got);
    }
    return out;
}

} // namespace detail

inline cRebuild::cRebuild(Bytes image) : io(std::move(image)) {
    for (cResult* result : {&rebuilt, &deleted, &damaged}) {
        detail::Attach(*result, io);
    }
    reconstructor = std::make_unique<cFATReconstructor>(io, 0, io.GetSectorCount());
}

inline bool cRebuild::Run() {
    if (!reconstructor->Geometry().HasLayout() && !reconstructor->Detect(nullptr)) {
        return false;
    }
    if (!reconstructor->CheckTables(nullptr) || !reconstructor->Index(nullptr) ||
        !reconstructor->Build({rebuilt.tree, deleted.tree, damaged.tree}, nullptr, &counts)) {
        return false;
    }
    for (cResult* result : {&rebuilt, &deleted, &damaged}) {
        if (!result->tree->Root()) {
            result->tree->CreateRoot(cQORNVStorage::kRootName);
        }
        EXPECT_TRUE(result->fs.Mount(result->record));
    }
    return true;
}

inline Files cRebuild::FilesOf(const cResult& result) const {
    Files files;
    auto& fs = const_cast<cVReconstructedFS&>(result.fs);
    const std::function<void(cVSItemId, const std::string&)> walk = [&](cVSItemId folder,
                                                                        const std::string& path) {
        const cQORNVStorage& tree = *result.tree;
        for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
            walk(item, path + "/" + std::string(tree.Name(item)));
        }
        for (cVSItemId item = tree.FirstFile(folder); item; item = tree.Next(item)) {
            const auto entry = fs.GetObject(item);
            files[path + "/" + std::string(tree.Name(item))] =
                entry ? detail::ReadAll(fs, *entry) : Bytes{};
        }
    };
    walk(result.tree->Root(), "");
    return files;
}

inline std::vector<std::string> cRebuild::FoldersOf(const cResult& result) const {
    std::vector<std::string> folders;
    const cQORNVStorage& tree = *result.tree;
    const std::function<void(cVSItemId, const std::string&)> walk = [&](cVSItemId folder,
                                                                        const std::string& path) {
        for (cVSItemId item = tree.FirstSubfolder(folder); item; item = tree.Next(item)) {
            folders.push_back(path + "/" + std::string(tree.Name(item)));
            walk(item, folders.back());
        }
    };
    walk(tree.Root(), "");
    return folders;
}

} // namespace fatscantest
