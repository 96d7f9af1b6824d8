#include "app/imaging/image_target.h"

#include "base/utf.h"
#include "io/containers/vmdk_io.h"
#include "io/flat_io.h"

#include <algorithm>

namespace imaging {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
// Zeros are left out in pieces of this many bytes, aligned in the image: small enough to
// leave the zeros between scattered data out, large enough not to fragment it, and one
// grain of the VMware disks Create makes.
constexpr std::uint32_t kHoleGrain = 64 * 1024;

bool AllZero(const std::uint8_t* data, std::size_t size) {
    return std::all_of(data, data + size, [](std::uint8_t byte) { return byte == 0; });
}

// The VMware disk at path, created for sectors or opened writable to go on with it.
std::unique_ptr<cBaseIO> OpenVmdk(const std::string& path, std::uint64_t sectors, bool create) {
    auto file = std::make_unique<cFlatIO>();
    const cNamedFileResource name(utf::FromUtf8(path));
    if (create ? file->Create(&name, 0, true) != 0 || file->IsReadOnly()
               : !file->Open(&name, false)) {
        return nullptr;
    }
    const cNastedIOResource carrier(std::move(file));
    auto disk = std::make_unique<cVMWareIO>();
    const bool ready =
        create ? disk->Create(&carrier, sectors, true) == sectors : disk->Open(&carrier, false);
    if (!ready || disk->GetSectorCount() != sectors) {
        return nullptr;
    }
    return disk;
}

} // namespace

cImageTarget::cImageTarget(platform::StorageFile file, std::unique_ptr<cBaseIO> disk,
                           eFormat format)
    : file_(std::move(file)), disk_(std::move(disk)), format_(format) {}

cImageTarget::~cImageTarget() = default;

std::unique_ptr<cImageTarget> cImageTarget::Create(const std::string& path, std::uint64_t sectors,
                                                   eFormat format) {
    platform::StorageFile file;
    if (format == eFormat::kVmdk) {
        std::unique_ptr<cBaseIO> disk = OpenVmdk(path, sectors, true);
        if (!disk || !file.Open(path, true)) {
            return nullptr;
        }
        return std::unique_ptr<cImageTarget>(
            new cImageTarget(std::move(file), std::move(disk), format));
    }
    if (!file.Create(path) || !file.Truncate(sectors * kSectorBytes)) {
        return nullptr;
    }
    return std::unique_ptr<cImageTarget>(new cImageTarget(std::move(file), nullptr, format));
}

std::unique_ptr<cImageTarget> cImageTarget::Resume(const std::string& path, std::uint64_t sectors,
                                                   eFormat format) {
    platform::StorageFile file;
    if (!file.Open(path, true)) {
        return nullptr;
    }
    if (format == eFormat::kVmdk) {
        std::unique_ptr<cBaseIO> disk = OpenVmdk(path, sectors, false);
        if (!disk) {
            return nullptr;
        }
        return std::unique_ptr<cImageTarget>(
            new cImageTarget(std::move(file), std::move(disk), format));
    }
    if (file.Size() != sectors * kSectorBytes) {
        return nullptr;
    }
    return std::unique_ptr<cImageTarget>(new cImageTarget(std::move(file), nullptr, format));
}

bool cImageTarget::WritePiece(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!disk_) {
        return file_.WriteAt(data, size, offset) == size;
    }
    const auto count = std::uint32_t(size / kSectorBytes);
    return disk_->WriteSectors(offset / kSectorBytes, data, count) == count;
}

bool cImageTarget::Write(std::uint64_t sector, const std::uint8_t* data, std::uint32_t count) {
    const std::uint64_t offset = sector * kSectorBytes;
    const std::size_t size = std::size_t(count) * kSectorBytes;
    if (format_ == eFormat::kRaw) {
        return WritePiece(offset, data, size);
    }
    // A new image reads as zeros everywhere; zeros need no writing there.
    for (std::size_t at = 0; at < size;) {
        const std::size_t piece =
            std::min<std::size_t>(kHoleGrain - (offset + at) % kHoleGrain, size - at);
        if (!AllZero(data + at, piece) && !WritePiece(offset + at, data + at, piece)) {
            return false;
        }
        at += piece;
    }
    return true;
}

} // namespace imaging
