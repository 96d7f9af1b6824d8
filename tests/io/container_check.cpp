#include "container_check.h"

#include "base/utf.h"
#include "io/container_formats.h"
#include "io/flat_io.h"
#include "support/fixtures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace container_check {

std::string Fixture(const std::string& name) {
    return fixtures::Image("containers.sh", name);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::unique_ptr<cBaseIO> OpenImage(const std::string& path) {
    auto flat = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(utf::FromUtf8(path));
    if (!flat->Open(&resource, true)) {
        return nullptr;
    }
    std::unique_ptr<cBaseIO> container = OpenContainer(*flat);
    return container ? std::move(container) : std::move(flat);
}

::testing::AssertionResult SameSectors(cBaseIO& disk, const std::vector<std::uint8_t>& expected) {
    const std::uint64_t sectors = expected.size() / kSectorSize;
    if (disk.GetSectorCount() != sectors) {
        return ::testing::AssertionFailure()
               << "the disk has " << disk.GetSectorCount() << " sectors, not " << sectors;
    }
    static const std::uint32_t kSizes[] = {1, 7, 128, 129, 300, 2048, 4097};
    std::vector<std::uint8_t> got;
    std::uint64_t at = 0;
    for (std::size_t step = 0; at < sectors; ++step) {
        const std::uint32_t count =
            std::uint32_t(std::min<std::uint64_t>(kSizes[step % std::size(kSizes)], sectors - at));
        got.assign(std::size_t(count) * kSectorSize, 0xEE);
        if (disk.SeekSector(at) != std::int64_t(at)) {
            return ::testing::AssertionFailure() << "cannot seek to sector " << at;
        }
        const std::uint32_t read = disk.ReadSectors(got.data(), count);
        if (read != count) {
            return ::testing::AssertionFailure()
                   << "read " << read << " of " << count << " sectors at " << at;
        }
        const auto* want = expected.data() + at * kSectorSize;
        const auto diff = std::mismatch(got.begin(), got.end(), want);
        if (diff.first != got.end()) {
            return ::testing::AssertionFailure()
                   << "byte " << at * kSectorSize + std::size_t(diff.first - got.begin())
                   << " differs";
        }
        at += count;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> QemuRaw(const std::string& image, const std::string& format) {
    const std::string out = image + ".qemu.raw";
    const std::string command =
        "qemu-img convert -f " + format + " -O raw '" + image + "' '" + out + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::vector<std::uint8_t> bytes = ReadFile(out);
    std::remove(out.c_str());
    return bytes;
}

std::unique_ptr<cBaseIO> CreateContainer(std::unique_ptr<cBaseIO> reader, const std::string& path,
                                         std::uint64_t capacity) {
    auto file = std::make_unique<cFlatIO>();
    const cNamedFileResource name(utf::FromUtf8(path));
    if (file->Create(&name, 0, true) != 0 || file->IsReadOnly()) {
        return nullptr;
    }
    const cNastedIOResource carrier(std::move(file));
    if (reader->Create(&carrier, capacity, true) < capacity) {
        return nullptr;
    }
    return reader;
}

void WriteRuns(cBaseIO& disk, std::vector<std::uint8_t>& expected) {
    const std::uint64_t sectors = disk.GetSectorCount();
    struct Run {
        std::uint64_t first;
        std::uint32_t count;
        std::uint8_t seed;
    };
    const Run runs[] = {{100, 9000, 1}, {20000, 1, 2}, {4000, 300, 3}, {sectors - 5, 5, 4}};
    for (const Run& run : runs) {
        std::vector<std::uint8_t> data(std::size_t(run.count) * kSectorSize);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = std::uint8_t(run.seed * 31 + i * 7 + i / 509);
        }
        ASSERT_EQ(disk.WriteSectors(run.first, data.data(), run.count), run.count)
            << "writing at sector " << run.first;
        std::copy(data.begin(), data.end(),
                  expected.begin() + std::ptrdiff_t(run.first * kSectorSize));
    }
}

} // namespace container_check
