#pragma once
// Attaches an image file to a free loop device for the lifetime of the object, so that
// tests read a real block device with the kernel's own sector handling. Detaches in the
// destructor, also when the test fails. Needs root (tests skip otherwise).

#include <string>

namespace fixtures {

class LoopDevice {
public:
    // Attaches image read-only with the given logical sector size (512 or 4096; the file's
    // size must be a multiple of it). Fails the calling test when losetup fails.
    explicit LoopDevice(const std::string& image, unsigned sectorSize = 512);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return !path_.empty(); }
    // "/dev/loopN", empty when attaching failed.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace fixtures
