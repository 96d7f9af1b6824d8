#pragma once
// Where an imaging run writes what it rescued, an image the size of the source in which
// every sector not rescued reads as zeros: a raw file written in full ("raw"), one whose
// all-zero blocks are left as holes ("sparse"), or a VMware sparse disk whose all-zero
// grains are never allocated ("vmdk").

#include "platform/storage_file.h"

#include <cstdint>
#include <memory>
#include <string>

class cBaseIO;

namespace imaging {

enum class eFormat { kRaw, kSparse, kVmdk };

class cImageTarget {
public:
    ~cImageTarget();
    cImageTarget(const cImageTarget&) = delete;
    cImageTarget& operator=(const cImageTarget&) = delete;

    // A new image of sectors 512-byte sectors, replacing what stands at path; or, when
    // resuming, the image an earlier run left there, which must have that size (and, for
    // a VMware disk, be one).
    static std::unique_ptr<cImageTarget> Create(const std::string& path, std::uint64_t sectors,
                                                eFormat format);
    static std::unique_ptr<cImageTarget> Resume(const std::string& path, std::uint64_t sectors,
                                                eFormat format);

    bool Write(std::uint64_t sector, const std::uint8_t* data, std::uint32_t count);
    // Everything written so far is on the medium.
    bool Sync() const { return file_.Sync(); }

private:
    cImageTarget(platform::StorageFile file, std::unique_ptr<cBaseIO> disk, eFormat format);
    bool WritePiece(std::uint64_t offset, const std::uint8_t* data, std::size_t size);

    // The image file. A VMware disk is written through disk_, its container reader, and
    // this second handle only syncs it: a sync reaches the file's data whichever handle
    // wrote it.
    platform::StorageFile file_;
    std::unique_ptr<cBaseIO> disk_;
    eFormat format_;
};

} // namespace imaging
