#pragma once
// The part of a drive's display name that says what the drive is:
// ": Fixed SATA Samsung SSD 870" or ": Removable USB Flash Disk".

#include "io/device_access.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "SCSI ", "USB ", "NVMe ", ...; "Unknown " for a bus without a name.
std::u16string_view BusName(std::uint32_t busType);

// Empty when the device gave no descriptor. The product keeps at most 100 characters and
// loses trailing blanks and control characters; a device without a product name ends
// with its bus name, without the blank.
std::u16string DeviceSuffix(const std::optional<cDeviceDescriptor>& descriptor);
