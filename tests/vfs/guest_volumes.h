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
    ExpectSameAsTree(fs, GuestFolder() + "/tree", below);
}

} // namespace vfs_test
