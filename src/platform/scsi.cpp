#include "platform/scsi.h"

#include <scsi/sg.h>
#include <sys/ioctl.h>

namespace platform {

std::optional<std::size_t> ReadCdBlock(const StorageFile& device, std::uint32_t lba, void* buffer) {
    if (!device.IsOpen()) {
        return std::nullopt;
    }
    unsigned char command[12] = {};
    command[0] = 0xBE; // READ CD; byte 1 = 0: any sector type
    command[2] = std::uint8_t(lba >> 24);
    command[3] = std::uint8_t(lba >> 16);
    command[4] = std::uint8_t(lba >> 8);
    command[5] = std::uint8_t(lba);
    command[8] = 1;    // transfer length: one block
    command[9] = 0x10; // user data only
    unsigned char sense[24] = {};

    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.cmd_len = sizeof command;
    request.cmdp = command;
    request.mx_sb_len = sizeof sense;
    request.sbp = sense;
    request.dxfer_len = kReadCdTransfer;
    request.dxferp = buffer;
    request.timeout = 2000; // milliseconds
    if (::ioctl(device.Descriptor(), SG_IO, &request) != 0 ||
        (request.info & SG_INFO_OK_MASK) != SG_INFO_OK) {
        return std::nullopt;
    }
    const int resid = request.resid > 0 ? request.resid : 0;
    return resid >= int(kReadCdTransfer) ? 0 : kReadCdTransfer - std::size_t(resid);
}

} // namespace platform
