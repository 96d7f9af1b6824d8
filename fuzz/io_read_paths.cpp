// The sector arithmetic of the readers under random requests: the drive reader's
// large-sector path (head, middle, tail), the CD reader's block cache with its READ CD
// fallback, and the base byte-range walk, over simulated devices with random bad spots.
// Whatever a reader answers, the bytes it says it delivered must be the device's own.
//
// Input: byte 0 picks the sector size, byte 1 the size in physical sectors, bytes 2-5
// four bad byte offsets (scaled into the device), then 5-byte requests: a 16-bit unit
// position, an 8-bit count and a 16-bit byte-range length.

#include "base/bytes.h"
#include "io/win_cd_io.h"
#include "io/win_hd_io.h"
#include "support/sim_device.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The units a reader says it read from position must equal the device's bytes there.
void CheckDelivered(const SimDisk& disk, std::uint64_t position, const std::uint8_t* out,
                    std::uint32_t delivered, std::uint32_t asked, std::uint64_t total) {
    Check(delivered <= asked);
    Check(position + delivered <= total);
    Check(std::memcmp(out, disk.bytes.data() + position * 512, std::size_t(delivered) * 512) == 0);
}

void Exercise(cBaseIO& reader, const SimDisk& disk, bytes::Span data) {
    bytes::Cursor requests(data);
    const std::uint64_t total = reader.GetSectorCount();
    std::vector<std::uint8_t> out(256 * 512 + 65536);
    for (int steps = 0; steps < 64 && requests.Remaining() >= 5; ++steps) {
        const std::uint64_t position = requests.Le16() % (total + 2);
        const std::uint32_t count = requests.U8();
        const std::uint32_t length = requests.Le16();
        if (!requests.Ok()) {
            break;
        }
        if (reader.SeekSector(position) >= 0) {
            const std::uint32_t got = reader.ReadSectors(out.data(), count);
            CheckDelivered(disk, std::min(position, total), out.data(), got, count, total);
        }
        const std::uint64_t offset = position * 512 + length % 512;
        if (reader.ReadBytes(out.data(), offset, length) && length > 0) {
            Check(offset + length <= disk.bytes.size());
            Check(std::memcmp(out.data(), disk.bytes.data() + offset, length) == 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bytes::Cursor input(bytes::Span(data, size));
    static const std::uint32_t kSectorSizes[] = {512, 1024, 2048, 4096};
    const std::uint32_t sectorSize = kSectorSizes[input.U8() % 4];
    const std::size_t sectors = 1 + input.U8() % 64;
    auto disk = MakeSimDisk(sectors * sectorSize, sectorSize);
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t bad = input.U8();
        if (bad != 0) {
            disk->badBytes.insert(disk->bytes.size() * bad / 256);
            disk->rawReadable.insert(std::uint32_t(disk->bytes.size() * bad / 256 / sectorSize));
        }
    }
    if (!input.Ok()) {
        return 0;
    }
    SimDevices devices;
    devices.Drive(0) = disk;
    devices.Cd(0) = disk;
    disk->optical = true;
    const cNumberedDeviceResource resource(0);

    cWinHDIO drive(devices);
    Check(drive.Open(&resource, true));
    const bytes::Span requests(data + input.Offset(), size - input.Offset());
    Exercise(drive, *disk, requests);
    if (sectorSize >= 2048) {
        cWinCDIO cd(devices);
        Check(cd.Open(&resource, true));
        Exercise(cd, *disk, requests);
    }
    return 0;
}
