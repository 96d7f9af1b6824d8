#pragma once
// What the reader tests of every file system share: a bounded walk of a whole tree, reading
// a handle to its end, and the bytes of files and commands to compare them with.

#include "base/utf.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/vfs.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vfs_test {

inline std::vector<std::uint8_t> LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

// An image in memory, mounted by detection; typed is the reader when detection chose
// Reader.
template <class Reader> struct MountedImage {
    explicit MountedImage(std::vector<std::uint8_t> image, std::uint16_t partitionType = 0x83)
        : io(std::move(image)) {
        record.SetRecord(&io, 0, io.GetSectorCount(), partitionType);
        reader = cVFSDetectManager::Instance().Detect(record);
        typed = dynamic_cast<Reader*>(reader.get());
    }
    // The volume name the reader gave the partition; empty without one.
    std::string Label() const {
        const auto* name = record.FindExtensionAs<cPartNameData>(part_ext::kVolumeName);
        return name ? utf::ToUtf8(name->Name()) : "";
    }

    cMemIO io;
    cPartRecord record;
    std::unique_ptr<cVFS> reader;
    Reader* typed = nullptr;
};

struct Listed {
    std::uint32_t kind = 0;
    std::uint64_t size = 0;
    std::uint64_t id = 0;
};

// Every path below the root ('/'-separated, UTF-8) with what its listing said. Each
// folder is listed once, so a damaged volume whose folders contain each other still ends.
// ok turns false when a listing fails.
inline std::map<std::string, Listed> WalkTree(cVFS& fs, bool* ok = nullptr) {
    std::map<std::string, Listed> out;
    std::set<std::uint64_t> listed;
    std::vector<std::pair<std::uint64_t, std::string>> pending{{fs.GetRootId(), ""}};
    while (!pending.empty()) {
        const std::uint64_t id = pending.back().first;
        const std::string path = pending.back().second;
        pending.pop_back();
        if (!listed.insert(id).second) {
            continue;
        }
        cFSFolder folder;
        folder.id = id;
        const bool listedOk = fs.EnumFolder(folder, [&](cFSObject& entry) {
            if (entry.name == u"." || entry.name == u"..") {
                return true;
            }
            const std::string child = path + "/" + utf::ToUtf8(entry.name);
            out[child] = Listed{entry.Kind(), entry.size, entry.id};
            if (entry.Kind() == fskind::kFolder) {
                pending.emplace_back(entry.id, child);
            }
            return true;
        });
        if (!listedOk && ok) {
            *ok = false;
        }
    }
    return out;
}

// What a source tree holds: folders and regular files only, as readers list them.
inline std::map<std::string, Listed> SourceTree(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, Listed> out;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string path = "/" + fs::relative(item.path(), root).string();
        if (item.is_symlink() || !(item.is_directory() || item.is_regular_file())) {
            continue;
        }
        out[path] = item.is_directory() ? Listed{fskind::kFolder, 0, 0}
                                        : Listed{fskind::kFile, item.file_size(), 0};
    }
    return out;
}

// Reads a handle to its end in 64 KiB pieces, as the copy job does.
inline std::vector<std::uint8_t> ReadToEnd(cObjectHandle& handle) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> piece(65536);
    while (true) {
        const std::uint32_t got = handle.Read(piece.data(), std::uint32_t(piece.size()));
        if (got == 0) {
            return out;
        }
        out.insert(out.end(), piece.begin(), piece.begin() + got);
    }
}

// Every path, size and byte of the listing against the source tree; files are opened by
// the id their listing gave, as the copy job opens what it lists. With below (a path from
// the volume's root), only what lies under that folder is compared.
inline void ExpectSameAsTree(cVFS& fs, const std::string& tree, const std::string& below = "") {
    bool ok = true;
    std::map<std::string, Listed> listed;
    for (const auto& [path, entry] : WalkTree(fs, &ok)) {
        if (path.compare(0, below.size(), below) == 0 && path.size() > below.size()) {
            listed[path.substr(below.size())] = entry;
        }
    }
    EXPECT_TRUE(ok);
    const auto source = SourceTree(tree);
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (it == listed.end()) {
            ADD_FAILURE() << "not listed: " << path;
            continue;
        }
        ASSERT_EQ(it->second.kind, want.kind) << path;
        if (want.kind != fskind::kFile) {
            continue;
        }
        EXPECT_EQ(it->second.size, want.size) << path;
        auto entry = fs.GetObject(it->second.id);
        auto handle = entry ? fs.OpenObject(*entry) : nullptr;
        ASSERT_TRUE(handle) << path;
        EXPECT_FALSE(handle->IsDamaged()) << path;
        EXPECT_TRUE(ReadToEnd(*handle) == LoadFile(tree + path)) << path;
    }
    for (const auto& [path, got] : listed) {
        EXPECT_TRUE(source.count(path)) << "listed but not in the tree: " << path;
    }
}

// The standard output of a shell command.
inline std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return out;
}

} // namespace vfs_test
