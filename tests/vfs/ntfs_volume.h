#pragma once
// NTFS volumes for tests: an image held in memory with the reader mounted on it, a
// bounded walk of the whole tree, and the place on the image of records and clusters so
// that tests can damage exactly one structure.

#include "base/utf.h"
#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/ntfs/ntfs_layout.h"
#include "vfs/ntfs/ntfs_mount.h"
#include "vfs/ntfs/vntfs.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ntfs_test {

inline std::vector<std::uint8_t> LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

struct Volume {
    explicit Volume(std::vector<std::uint8_t> image) : io(std::move(image)) {
        record.SetRecord(&io, 0, io.GetSectorCount(), 0x07);
    }
    bool Mount() {
        fs = MountNtfs(record);
        ntfs = dynamic_cast<cVNTFS*>(fs.get());
        return ntfs != nullptr;
    }

    cMemIO io;
    cPartRecord record;
    std::unique_ptr<cVFS> fs;
    cVNTFS* ntfs = nullptr;
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

// Byte offset on the volume of a stream's byte at offset, through its run list.
inline std::optional<std::uint64_t> StreamByteOnVolume(cVNTFS& fs, const cNTFSObj& stream,
                                                       std::uint64_t offset) {
    const cRun* run = stream.Runs().Find(offset / fs.ClusterSize());
    if (!run || run->IsSparse()) {
        return std::nullopt;
    }
    const std::uint64_t lcn = run->physicalStart + (offset / fs.ClusterSize() - run->logicalStart);
    return lcn * fs.ClusterSize() + offset % fs.ClusterSize();
}

// Byte offset on the volume of MFT record n.
inline std::optional<std::uint64_t> RecordOnVolume(cVNTFS& fs, std::uint64_t n) {
    const auto mft = fs.OpenStream(ntfs::kMftRecord, ntfs::kData);
    return mft ? StreamByteOnVolume(fs, *mft, n * fs.RecordSize()) : std::nullopt;
}

} // namespace ntfs_test
