#include "app/imaging/image_target.h"

#include <algorithm>

namespace imaging {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
// Holes are made in pieces of this many bytes: small enough to leave the zeros between
// scattered data out, large enough not to fragment the image.
constexpr std::uint32_t kHoleGrain = 64 * 1024;

bool AllZero(const std::uint8_t* data, std::size_t size) {
    return std::all_of(data, data + size, [](std::uint8_t byte) { return byte == 0; });
}

} // namespace

std::unique_ptr<cImageTarget> cImageTarget::Create(const std::string& path, std::uint64_t sectors,
                                                   eFormat format) {
    platform::StorageFile file;
    if (!file.Create(path) || !file.Truncate(sectors * kSectorBytes)) {
        return nullptr;
    }
    return std::unique_ptr<cImageTarget>(new cImageTarget(std::move(file), format));
}

std::unique_ptr<cImageTarget> cImageTarget::Resume(const std::string& path, std::uint64_t sectors,
                                                   eFormat format) {
    platform::StorageFile file;
    if (!file.Open(path, true) || file.Size() != sectors * kSectorBytes) {
        return nullptr;
    }
    return std::unique_ptr<cImageTarget>(new cImageTarget(std::move(file), format));
}

bool cImageTarget::Write(std::uint64_t sector, const std::uint8_t* data, std::uint32_t count) {
    const std::uint64_t offset = sector * kSectorBytes;
    const std::size_t size = std::size_t(count) * kSectorBytes;
    if (format_ == eFormat::kRaw) {
        return file_.WriteAt(data, size, offset) == size;
    }
    // The image was made at full size as one hole; zeros need no writing there.
    for (std::size_t at = 0; at < size; at += kHoleGrain) {
        const std::size_t piece = std::min<std::size_t>(kHoleGrain, size - at);
        if (!AllZero(data + at, piece) && file_.WriteAt(data + at, piece, offset + at) != piece) {
            return false;
        }
    }
    return true;
}

} // namespace imaging
