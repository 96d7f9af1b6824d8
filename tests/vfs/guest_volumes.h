#pragma once
// The UDF, ReiserFS and JFS volumes a guest kernel filled from one tree
// (tests/fixtures/guest-volumes.sh), mounted by detection, and the comparison of a
// mounted volume with that tree: every path, kind, size and byte.

#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/detect.h"
#include "vfs/volume_walk.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vfs_test {

inline std::string GuestFolder() {
    static const std::string folder = fixtures::Folder("guest-volumes.sh");
    return folder;
}

struct DetectedImage {
    explicit DetectedImage(std::vector<std::uint8_t> image) : io(std::move(image)) {
        record.SetRecord(&io, 0, io.GetSectorCount(), 0);
        reader = cVFSDetectManager::Instance().Detect(record);
    }
    explicit DetectedImage(const std::string& name)
        : DetectedImage(LoadFile(GuestFolder() + "/" + name)) {}

    cMemIO io;
    cPartRecord record;
    std::unique_ptr<cVFS> reader;
};

// The volume's tree below below (a path from its root, "" for the root itself) holds
// exactly what the guest tree holds, and each file reads back byte for byte.
inline void ExpectSameAsGuestTree(cVFS& fs, const std::string& below = "") {
    bool ok = true;
    std::map<std::string, Listed> listed;
    for (const auto& [path, entry] : WalkTree(fs, &ok)) {
        if (path.compare(0, below.size(), below) == 0 && path.size() > below.size()) {
            listed[path.substr(below.size())] = entry;
        }
    }
    EXPECT_TRUE(ok);
    const std::string tree = GuestFolder() + "/tree";
    const auto source = SourceTree(tree);
    for (const auto& [path, want] : source) {
        const auto it = listed.find(path);
        if (it == listed.end()) {
            ADD_FAILURE() << "not listed: " << path;
            continue;
        }
        EXPECT_EQ(it->second.kind, want.kind) << path;
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

} // namespace vfs_test
