#pragma once
// SCSI commands sent straight to a device through the generic SCSI interface (SG_IO),
// for what ordinary reads cannot reach: CD sectors that the block layer refuses.

#include "platform/storage_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The raw transfer length asked of READ CD: one whole 2352-byte CD frame fits.
inline constexpr std::size_t kReadCdTransfer = 2352;

// READ CD (MMC-6, 6.19) of one block at lba, any sector type, user data only, into a
// buffer of kReadCdTransfer bytes, with a 2-second time-out. Answers the bytes the
// device transferred, or nothing when the request failed or reported an error status.
std::optional<std::size_t> ReadCdBlock(const StorageFile& device, std::uint32_t lba, void* buffer);

} // namespace platform
