#include "io/storage_source.h"

#include "base/utf.h"
#include "io/container_formats.h"
#include "io/flat_io.h"
#include "io/win_hd_io.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view kDrivePrefix = "Drive";

std::optional<std::uint32_t> DriveNumber(std::string_view text) {
    if (text.substr(0, kDrivePrefix.size()) != kDrivePrefix || text.size() == kDrivePrefix.size()) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(kDrivePrefix.size());
    std::uint32_t number = 0;
    const auto [end, status] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (status != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::optional<cStorageSource> ResolveStorageSource(std::string_view text, std::string& error,
                                                   cDeviceProvider& devices) {
    cStorageSource source;
    if (const auto number = DriveNumber(text)) {
        if (*number >= devices.DriveCount()) {
            error = "there is no " + std::string(text) + " (the storages command lists the drives)";
            return std::nullopt;
        }
        source.kind = cStorageSource::Kind::Drive;
        source.drive = *number;
        return source;
    }
    namespace fs = std::filesystem;
    const std::string path(text);
    std::error_code failure;
    const fs::file_status status = fs::status(path, failure);
    if (failure || !fs::exists(status)) {
        error = "no such file or device: " + path;
        return std::nullopt;
    }
    if (fs::is_directory(status)) {
        error = path + " is a folder, not a drive or an image file";
        return std::nullopt;
    }
    if (fs::is_block_file(status)) {
        if (const auto number = devices.DriveNumberOf(path)) {
            source.kind = cStorageSource::Kind::Drive;
            source.drive = *number;
            return source;
        }
    }
    source.path = utf::FromUtf8(path);
    return source;
}

std::unique_ptr<cBaseIO> OpenStorageSource(const cStorageSource& source, cDeviceProvider& devices) {
    if (source.kind == cStorageSource::Kind::Drive) {
        auto drive = std::make_unique<cWinHDIO>(devices);
        const cNumberedDeviceResource resource(source.drive);
        return drive->Open(&resource, true) ? std::move(drive) : nullptr;
    }
    auto image = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(source.path);
    if (!image->Open(&resource, true)) {
        return nullptr;
    }
    if (std::unique_ptr<cBaseIO> container = OpenContainer(*image)) {
        return container;
    }
    return image;
}

cBaseIO* AddStorageSource(cStorageList& list, const cStorageSource& source) {
    return source.kind == cStorageSource::Kind::Drive ? list.AddPhysicalDrive(source.drive)
                                                      : list.AddImageFile(source.path);
}
