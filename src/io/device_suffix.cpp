#include "io/device_suffix.h"

#include "base/utf.h"

namespace {

constexpr std::size_t kMaxProductLength = 100;

void TrimTrailingBlanks(std::u16string& text) {
    while (!text.empty() && text.back() <= u' ') {
        text.pop_back();
    }
}

} // namespace

std::u16string_view BusName(std::uint32_t busType) {
    switch (busType) {
    case bus_type::kScsi:
        return u"SCSI ";
    case bus_type::kAtapi:
        return u"ATAPI ";
    case bus_type::kAta:
        return u"ATA ";
    case bus_type::kFireWire:
        return u"FireWire ";
    case bus_type::kSsa:
        return u"SSA ";
    case bus_type::kFibre:
        return u"Fibre ";
    case bus_type::kUsb:
        return u"USB ";
    case bus_type::kRaid:
        return u"RAID ";
    case bus_type::kIscsi:
        return u"iSCSI ";
    case bus_type::kSata:
        return u"SATA ";
    case bus_type::kSas:
        return u"SAS ";
    case bus_type::kSd:
        return u"SD ";
    case bus_type::kMmc:
        return u"MMC ";
    case bus_type::kVirtual:
    case bus_type::kFileBackedVirtual:
        return u"Virtual ";
    case bus_type::kNvme:
        return u"NVMe ";
    default:
        return u"Unknown ";
    }
}

std::u16string DeviceSuffix(const std::optional<cDeviceDescriptor>& descriptor) {
    if (!descriptor) {
        return {};
    }
    std::u16string suffix = descriptor->removable ? u": Removable " : u": Fixed ";
    suffix += BusName(descriptor->busType);
    // The product is a C string in the descriptor: it ends at the first NUL.
    const std::string_view raw(descriptor->product.c_str());
    std::u16string product = utf::FromUtf8(raw).substr(0, kMaxProductLength);
    TrimTrailingBlanks(product);
    suffix += product;
    if (product.empty()) {
        TrimTrailingBlanks(suffix);
    }
    return suffix;
}
