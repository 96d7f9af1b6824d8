// File-system detection over arbitrary bytes: every probe and mount of Detect on a
// partition at sector 0, and the partition search's superblock tests on each sector.

#include "part/part_tree.h"
#include "support/mem_io.h"
#include "vfs/detect.h"

#include <cstdint>
#include <memory>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cMemIO storage(data, size);
    {
        cPartRecord record;
        record.SetRecord(&storage, 0, storage.GetSectorCount(), 0x7FFF);
        cVFSDetectManager::Instance().Detect(record);
    }
    const std::span<const std::uint8_t> bytes(data, size);
    for (std::size_t at = 0; at < size; at += 512) {
        MatchSuperblock(at / 512 + 2048, bytes.subspan(at, std::min<std::size_t>(2048, size - at)),
                        nullptr);
    }
    return 0;
}
