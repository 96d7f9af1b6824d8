#include "fat_volume.h"

#include "base/bytes.h"
#include "base/utf.h"
#include "io/flat_io.h"
#include "support/fixtures.h"
#include "vfs/detect.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fattest {

std::map<std::string, Listed> SourceTree(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, Listed> out;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const bool folder = item.is_directory();
        out["/" + fs::relative(item.path(), root).string()] =
            Listed{folder ? fskind::kFolder : fskind::kFile, folder ? 0 : item.file_size(), 0};
    }
    return out;
}

void ExpectSameTree(const std::map<std::string, Listed>& listed,
                    const std::map<std::string, Listed>& expected, const std::string& image) {
    for (const auto& [path, want] : expected) {
        const auto got = listed.find(path);
        if (got == listed.end()) {
            ADD_FAILURE() << image << ": missing " << path;
            continue;
        }
        EXPECT_EQ(got->second.kind, want.kind) << path;
        EXPECT_EQ(got->second.size, want.size) << path;
    }
    for (const auto& [path, got] : listed) {
        EXPECT_TRUE(expected.count(path)) << image << ": unexpected " << path;
    }
}

std::string FixtureFolder() {
    return fixtures::Folder("fat-images.sh");
}

Mounted MountStorage(std::unique_ptr<cBaseIO> storage, std::uint64_t startSector) {
    Mounted mounted;
    mounted.storage = std::move(storage);
    mounted.record = std::make_unique<cPartRecord>();
    const std::uint64_t sectors = mounted.storage->GetSectorCount();
    mounted.record->SetRecord(mounted.storage.get(), startSector,
                              sectors > startSector ? sectors - startSector : 0, 0x7FFF);
    mounted.fs = cVFSDetectManager::Instance().Detect(*mounted.record);
    return mounted;
}

Mounted MountImage(const std::string& image, std::uint64_t startSector) {
    auto storage = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(utf::FromUtf8(image));
    if (!storage->Open(&resource, true)) {
        return {};
    }
    return MountStorage(std::move(storage), startSector);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void SetFloppyFat(std::vector<std::uint8_t>& floppy, std::uint32_t cluster, std::uint16_t value) {
    for (std::size_t fat = 0; fat < 2; ++fat) {
        std::uint8_t* p = &floppy.at(512 + fat * 9 * 512 + cluster * 3 / 2 + 1) - 1;
        const std::uint16_t word = bytes::unchecked::Le16(p);
        bytes::PutLe16(p, cluster & 1 ? std::uint16_t((word & 0x000F) | (value << 4))
                                      : std::uint16_t((word & 0xF000) | (value & 0xFFF)));
    }
}

std::vector<std::unique_ptr<cFSObject>> ListFolder(cVFS& fs, std::uint64_t folderId, bool* ok) {
    std::vector<std::unique_ptr<cFSObject>> entries;
    cFSFolder folder;
    folder.id = folderId;
    const bool complete = fs.EnumFolder(folder, [&entries](cFSObject& entry) {
        entries.push_back(entry.Clone());
        return true;
    });
    if (ok) {
        *ok = complete;
    }
    return entries;
}

namespace {

void Walk(cVFS& fs, std::uint64_t folderId, const std::string& path,
          std::map<std::string, Listed>& out, std::vector<std::string>& failed, unsigned depth) {
    bool ok = false;
    for (const auto& entry : ListFolder(fs, folderId, &ok)) {
        const std::uint32_t kind = entry->Kind();
        if ((kind != fskind::kFolder && kind != fskind::kFile) || entry->name == u"." ||
            entry->name == u"..") {
            continue;
        }
        const std::string entryPath = path + "/" + utf::ToUtf8(entry->name);
        out[entryPath] = Listed{kind, entry->size, entry->id};
        if (kind == fskind::kFolder && depth < 64) {
            Walk(fs, entry->id, entryPath, out, failed, depth + 1);
        }
    }
    if (!ok) {
        failed.push_back(path.empty() ? "/" : path);
    }
}

} // namespace

std::map<std::string, Listed> WalkTree(cVFS& fs, std::vector<std::string>* failed) {
    std::map<std::string, Listed> out;
    std::vector<std::string> failures;
    Walk(fs, fs.GetRootId(), "", out, failures, 0);
    if (failed) {
        *failed = std::move(failures);
    }
    return out;
}

std::vector<std::uint8_t> ReadObject(cVFS& fs, const cFSObject& entry, bool* ok) {
    std::vector<std::uint8_t> data;
    const std::unique_ptr<cObjectHandle> handle = fs.OpenObject(entry);
    bool complete = handle != nullptr;
    if (handle) {
        data.resize(handle->GetSize());
        // Odd piece sizes cross cluster boundaries at every possible offset.
        std::size_t at = 0;
        while (at < data.size()) {
            const std::uint32_t want = std::uint32_t(std::min<std::size_t>(data.size() - at, 7919));
            const std::uint32_t got = handle->Read(data.data() + at, want);
            at += got;
            if (got != want) {
                complete = false;
                break;
            }
        }
        data.resize(at);
    }
    if (ok) {
        *ok = complete;
    }
    return data;
}

} // namespace fattest
