#pragma once
// Where an imaging run writes what it rescued: a raw image the size of the source, in
// which every sector not rescued stays zero, written in full ("raw") or with all-zero
// blocks left as holes of a sparse file ("sparse").

#include "platform/storage_file.h"

#include <cstdint>
#include <memory>
#include <string>

namespace imaging {

enum class eFormat { kRaw, kSparse };

class cImageTarget {
public:
    cImageTarget(const cImageTarget&) = delete;
    cImageTarget& operator=(const cImageTarget&) = delete;

    // A new image of sectors 512-byte sectors, replacing what stands at path; or, when
    // resuming, the image an earlier run left there, which must have that size.
    static std::unique_ptr<cImageTarget> Create(const std::string& path, std::uint64_t sectors,
                                                eFormat format);
    static std::unique_ptr<cImageTarget> Resume(const std::string& path, std::uint64_t sectors,
                                                eFormat format);

    bool Write(std::uint64_t sector, const std::uint8_t* data, std::uint32_t count);
    // Everything written so far is on the medium.
    bool Sync() const { return file_.Sync(); }

private:
    cImageTarget(platform::StorageFile file, eFormat format)
        : file_(std::move(file)), format_(format) {}

    platform::StorageFile file_;
    eFormat format_;
};

} // namespace imaging
