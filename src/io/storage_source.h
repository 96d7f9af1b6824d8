#pragma once
// A storage named the way a user types it: "Drive2" (a physical drive number, as the
// storage list numbers them), a device node ("/dev/sdb", "/dev/loop3", a
// /dev/disk/by-id link) or the path of an image file. A device node of a whole disk is
// read as that drive; any other node (a partition, say) is read like an image file.

#include "io/base_io.h"
#include "io/device_access.h"
#include "io/storage_list.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct cStorageSource {
    enum class Kind { Drive, Image };
    Kind kind = Kind::Image;
    std::uint32_t drive = 0; // Kind::Drive
    std::u16string path;     // Kind::Image
};

// Nothing, with a message for the user in error, when the text names neither a drive
// that exists nor a file or device node.
std::optional<cStorageSource> ResolveStorageSource(std::string_view text, std::string& error,
                                                   cDeviceProvider& devices = SystemDevices());

// The source's reader, opened read-only (an image file as its container format when one
// claims it); null when it cannot be opened.
std::unique_ptr<cBaseIO> OpenStorageSource(const cStorageSource& source,
                                           cDeviceProvider& devices = SystemDevices());

// Adds the source to a storage list (so that its partition tree is built); the entry's
// reader, or null when it cannot be opened or read.
cBaseIO* AddStorageSource(cStorageList& list, const cStorageSource& source);
