// A scan result file from arbitrary bytes, loaded onto a partition of a small storage and
// then used the way the explorer and the copy flow use it: every folder listed, every
// file opened and read. A file read completely saves and loads back to the same bytes.

#include "scan/reconstructed_fs.h"
#include "scan/result_file.h"
#include "support/mem_io.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::uint8_t> Saved(const cQORNVStorage& tree) {
    std::vector<std::uint8_t> out;
    drdb::Save(tree, [&out](std::span<const std::uint8_t> piece) {
        out.insert(out.end(), piece.begin(), piece.end());
        return true;
    });
    return out;
}

// Lists every folder once and reads the first bytes of every file, within a budget of
// entries so that a large tree stays quick.
void Walk(cVReconstructedFS& fs) {
    std::vector<std::uint64_t> folders{fs.GetRootId()};
    std::vector<std::uint8_t> buffer(4096);
    std::size_t budget = 2000;
    while (!folders.empty() && budget > 0) {
        auto folder = fs.GetObject(folders.back());
        folders.pop_back();
        if (!folder) {
            continue;
        }
        fs.BuildPath(*folder);
        fs.EnumFolder(*folder, [&](cFSObject& entry) {
            if (budget == 0) {
                return false;
            }
            --budget;
            if (entry.name == u"." || entry.name == u"..") {
                return true;
            }
            if (entry.Kind() == fskind::kFolder) {
                folders.push_back(entry.id);
            } else if (auto handle = fs.OpenObject(entry)) {
                handle->Seek(entry.size / 2);
                handle->Read(buffer.data(), std::uint32_t(buffer.size()));
                handle->Seek(0);
                handle->Read(buffer.data(), std::uint32_t(buffer.size()));
            }
            return true;
        });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> disk(64 * 1024);
    for (std::size_t i = 0; i < disk.size(); ++i) {
        disk[i] = std::uint8_t(i * 13);
    }
    cMemIO storage(std::move(disk));
    cPartRecord record;
    record.SetRecord(&storage, 16, 100, 0x07);
    auto owned = std::make_unique<cQORNVStorage>();
    cQORNVStorage& tree = *owned;
    const drdb::LoadError error = drdb::Load({data, size}, tree);
    record.AttachExtension(std::move(owned));
    cVReconstructedFS fs;
    if (!fs.Mount(record)) {
        std::abort();
    }
    if (tree.Root() != kNoItem) {
        Walk(fs);
    }
    if (error == drdb::LoadError::None) {
        const std::vector<std::uint8_t> once = Saved(tree);
        cQORNVStorage again;
        if (drdb::Load(once, again) != drdb::LoadError::None || Saved(again) != once) {
            std::abort();
        }
    }
    return 0;
}
