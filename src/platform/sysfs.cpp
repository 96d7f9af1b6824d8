#include "platform/sysfs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadAttribute(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    return text;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool StartsWithThenDigit(const std::string& text, std::string_view prefix) {
    return StartsWith(text, prefix) && text.size() > prefix.size() &&
           std::isdigit(static_cast<unsigned char>(text[prefix.size()]));
}

// libata puts a port's links beside its SCSI host (.../ata1/link1/sata_spd); a link of a
// serial port reports its speed there, a parallel port "<unknown>".
bool IsSerialAta(const fs::path& device, const std::string& link) {
    const std::size_t port = link.find("/ata");
    if (port == std::string::npos) {
        return false;
    }
    const fs::path portFolder = device.parent_path() / link.substr(0, link.find('/', port + 1));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(portFolder, error)) {
        if (StartsWith(entry.path().filename().string(), "link")) {
            const auto speed = ReadAttribute(entry.path() / "sata_spd");
            if (speed && !Trimmed(*speed).empty() && Trimmed(*speed) != "<unknown>") {
                return true;
            }
        }
    }
    return false;
}

// The device's place in the device tree tells its bus: ROOT/block/NAME links to
// ../devices/pci0000:00/.../usb2/.../host6/target6:0:0/6:0:0:0/block/sdb and the like.
// Tests are ordered so that the outermost transport wins (a USB bridge carries SCSI).
BlockBus BusOf(const std::string& name, const fs::path& device, const std::string& link,
               bool optical) {
    if (StartsWith(name, "loop")) {
        return BlockBus::FileBacked;
    }
    std::vector<std::string> parts;
    std::stringstream walk(link);
    for (std::string part; std::getline(walk, part, '/');) {
        parts.push_back(part);
    }
    auto any = [&](auto predicate) { return std::any_of(parts.begin(), parts.end(), predicate); };
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "usb"); })) {
        return BlockBus::Usb;
    }
    if (any([](const std::string& p) { return StartsWith(p, "nvme"); })) {
        return BlockBus::Nvme;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "mmc"); })) {
        const auto type = ReadAttribute(device / "device" / "type");
        return type && Trimmed(*type) == "SD" ? BlockBus::Sd : BlockBus::Mmc;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "virtio"); })) {
        return BlockBus::Virtual;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "fw"); })) {
        return BlockBus::FireWire;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "session"); })) {
        return BlockBus::Iscsi;
    }
    if (any([](const std::string& p) { return StartsWith(p, "rport-"); })) {
        return BlockBus::Fibre;
    }
    if (any([](const std::string& p) { return StartsWith(p, "end_device-"); })) {
        return BlockBus::Sas;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "ata"); })) {
        return optical                     ? BlockBus::Atapi
               : IsSerialAta(device, link) ? BlockBus::Sata
                                           : BlockBus::Ata;
    }
    if (any([](const std::string& p) { return p == "virtual"; })) {
        return StartsWithThenDigit(name, "md") ? BlockBus::Raid : BlockBus::Virtual;
    }
    if (any([](const std::string& p) { return StartsWithThenDigit(p, "host"); })) {
        return BlockBus::Scsi;
    }
    return BlockBus::Unknown;
}

} // namespace

std::vector<std::string> WholeDiskNames(const std::string& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(root) / "block", error)) {
        const std::string name = entry.path().filename().string();
        const auto size = ReadAttribute(entry.path() / "size");
        if (size && std::strtoull(size->c_str(), nullptr, 10) > 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> WholeDiskNameOf(std::uint32_t major, std::uint32_t minor,
                                           const std::string& root) {
    const fs::path node =
        fs::path(root) / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor));
    std::error_code error;
    const fs::path target = fs::read_symlink(node, error);
    if (error || fs::exists(node / "partition", error)) {
        return std::nullopt;
    }
    const std::string name = target.filename().string();
    if (name.empty() || !fs::exists(fs::path(root) / "block" / name, error)) {
        return std::nullopt;
    }
    return name;
}

std::optional<BlockDeviceFacts> DescribeBlockDevice(const std::string& name,
                                                    const std::string& root) {
    const fs::path device = fs::path(root) / "block" / name;
    std::error_code error;
    if (name.empty() || !fs::exists(device, error)) {
        return std::nullopt;
    }
    BlockDeviceFacts facts;
    const auto removable = ReadAttribute(device / "removable");
    facts.removable = removable && Trimmed(*removable) == "1";
    const fs::path link = fs::read_symlink(device, error);
    facts.bus =
        BusOf(name, device, error ? std::string() : link.string(), IsOpticalDrive(name, root));
    for (const char* attribute :
         {"device/model", "device/vendor", "device/name", "loop/backing_file"}) {
        if (auto text = ReadAttribute(device / attribute); text && !Trimmed(*text).empty()) {
            facts.product = std::move(*text);
            break;
        }
    }
    return facts;
}

bool IsOpticalDrive(const std::string& name, const std::string& root) {
    const auto type = ReadAttribute(fs::path(root) / "block" / name / "device" / "type");
    return type && Trimmed(*type) == "5";
}

} // namespace platform
