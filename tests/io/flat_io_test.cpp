#include "base/utf.h"
#include "io/dummy_io.h"
#include "io/flat_io.h"
#include "support/fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(i * 13 + i / 512);
    }
    return bytes;
}

// ScratchDir() empties the test's folder on every call, so each test asks once.
class FlatIO : public ::testing::Test {
protected:
    void SetUp() override { dir_ = fixtures::ScratchDir(); }
    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string dir_;
};

std::string FlatIO::WriteFile(const std::string& name,
                              const std::vector<std::uint8_t>& bytes) const {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<cFlatIO> OpenFlat(const std::string& path, bool readOnly = true) {
    auto io = std::make_unique<cFlatIO>();
    const cNamedFileResource resource(utf::FromUtf8(path));
    if (!io->Open(&resource, readOnly)) {
        return nullptr;
    }
    return io;
}

} // namespace

TEST_F(FlatIO, TrailingPartialSectorIsNotCountedButReadableAsBytes) {
    const auto bytes = Pattern(1000);
    auto io = OpenFlat(WriteFile("partial.img", bytes));
    ASSERT_TRUE(io);
    EXPECT_EQ(io->GetSectorCount(), 1u);
    EXPECT_EQ(io->GetByteSize(), 1000u);
    std::vector<std::uint8_t> out(1024, 0xAA);
    ASSERT_EQ(io->SeekSector(0), 0);
    EXPECT_EQ(io->ReadSectors(out.data(), 2), 1u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), out.begin()));
    EXPECT_TRUE(io->ReadBytes(out.data(), 512, 488));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 488, bytes.begin() + 512));
    EXPECT_FALSE(io->ReadBytes(out.data(), 512, 489));
}

TEST_F(FlatIO, OpensReadOnlyWithTheFileNameAsDisplayName) {
    const std::string path = WriteFile("disk.img", Pattern(4096));
    auto io = OpenFlat(path);
    ASSERT_TRUE(io);
    EXPECT_TRUE(io->IsReadOnly());
    EXPECT_EQ(io->DisplayName(), u"disk.img");
    EXPECT_EQ(io->Path(), utf::FromUtf8(path));
    std::u16string name;
    ASSERT_TRUE(io->GetName(name));
    EXPECT_EQ(name, utf::FromUtf8(path));
    EXPECT_EQ(io->GetStorageKind(), storage_kind::kDiskImage);
    const std::uint8_t data[512] = {};
    EXPECT_EQ(io->WriteSectors(0, data, 1), 0u);
    EXPECT_FALSE(io->WriteBytes(data, 0, 10));
    EXPECT_EQ(ReadFile(path), Pattern(4096));
}

TEST_F(FlatIO, RefusesMissingFilesAndOtherResourceKinds) {
    cFlatIO io;
    const cNamedFileResource missing(u"/nonexistent/drovik.img");
    EXPECT_FALSE(io.Open(&missing, true));
    const cNumberedDeviceResource device(0);
    EXPECT_FALSE(io.Open(&device, true));
    EXPECT_FALSE(io.Open(nullptr, true));
    const cNamedFileResource folder(utf::FromUtf8(dir_));
    EXPECT_FALSE(io.Open(&folder, true));
    EXPECT_EQ(io.GetSectorCount(), 0u);
    EXPECT_TRUE(io.IsReadOnly());
}

TEST_F(FlatIO, DisplayNameIsTheLastPathComponent) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"/images/disk.img", u"disk.img"}, {u"disk.img", u"disk.img"},
        {u"C:\\img\\a.img", u"a.img"},      {u"/images//disk.img", u"disk.img"},
        {u"/images/sub///", u"sub"},        {u"/", u""},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(FileDisplayName(path), name) << utf::ToUtf8(path);
    }
}

TEST_F(FlatIO, WritesAreCutAtTheLastWholeSector) {
    const std::string path = WriteFile("write.img", Pattern(4 * 512 + 100));
    auto io = OpenFlat(path, false);
    ASSERT_TRUE(io);
    ASSERT_FALSE(io->IsReadOnly());
    ASSERT_EQ(io->GetSectorCount(), 4u);
    const std::vector<std::uint8_t> ones(3 * 512, 0x11);
    EXPECT_EQ(io->WriteSectors(4, ones.data(), 1), 0u);
    EXPECT_EQ(io->WriteSectors(2, ones.data(), 3), 2u);
    auto expected = Pattern(4 * 512 + 100);
    std::fill(expected.begin() + 1024, expected.begin() + 2048, 0x11);
    EXPECT_EQ(ReadFile(path), expected);

    // A byte write running past the last whole sector writes up to it and says no.
    EXPECT_FALSE(io->WriteBytes(ones.data(), 2000, 100));
    std::fill(expected.begin() + 2000, expected.begin() + 2048, 0x11);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_FALSE(io->WriteBytes(ones.data(), 2048, 1));
    const std::vector<std::uint8_t> twos(30, 0x22);
    EXPECT_TRUE(io->WriteBytes(twos.data(), 10, 30));
    std::fill(expected.begin() + 10, expected.begin() + 40, 0x22);
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(FlatIO, SetReadOnlySwitchesModesAndKeepsTheReaderOpen) {
    const std::string path = WriteFile("mode.img", Pattern(2048));
    auto io = OpenFlat(path);
    ASSERT_TRUE(io);
    EXPECT_TRUE(io->SetReadOnly(true));
    EXPECT_TRUE(io->IsReadOnly());
    ASSERT_TRUE(io->SetReadOnly(false));
    EXPECT_FALSE(io->IsReadOnly());
    const std::vector<std::uint8_t> data(512, 0x5A);
    EXPECT_EQ(io->WriteSectors(1, data.data(), 1), 1u);
    ASSERT_TRUE(io->SetReadOnly(true));
    EXPECT_EQ(io->WriteSectors(1, data.data(), 1), 0u);
    std::vector<std::uint8_t> out(512);
    ASSERT_EQ(io->SeekSector(1), 1);
    ASSERT_EQ(io->ReadSectors(out.data(), 1), 1u);
    EXPECT_EQ(out, data);
    cFlatIO closed;
    EXPECT_FALSE(closed.SetReadOnly(false));
}

TEST_F(FlatIO, CreateAndResize) {
    const std::string path = dir_ + "/created.img";
    cFlatIO io;
    const cNamedFileResource resource(utf::FromUtf8(path));
    EXPECT_EQ(io.Create(&resource, 8, false), 8u);
    EXPECT_EQ(std::filesystem::file_size(path), 8u * 512);
    EXPECT_EQ(io.GetSectorCount(), 0u);

    EXPECT_EQ(io.Create(&resource, 3, true), 3u);
    EXPECT_FALSE(io.IsReadOnly());
    EXPECT_EQ(io.DisplayName(), utf::FromUtf8(path));
    EXPECT_EQ(io.GetSectorCount(), 3u);
    ASSERT_TRUE(io.SetSectorCount(5));
    EXPECT_EQ(io.GetSectorCount(), 5u);
    EXPECT_EQ(std::filesystem::file_size(path), 5u * 512);
    ASSERT_TRUE(io.SetReadOnly(true));
    EXPECT_FALSE(io.SetSectorCount(6));

    const cNamedFileResource badFolder(u"/nonexistent/drovik/x.img");
    EXPECT_EQ(io.Create(&badFolder, 1, true), 0u);
}

TEST_F(FlatIO, DuplicateReadsTheSameFileAndFailsOnceItIsGone) {
    const std::string path = WriteFile("dup.img", Pattern(4096));
    auto io = OpenFlat(path);
    ASSERT_TRUE(io);
    auto copy = io->Duplicate();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->IsReadOnly());
    EXPECT_TRUE(io->IsSameStorage(copy.get()));
    std::vector<std::uint8_t> out(4096);
    ASSERT_EQ(copy->SeekSector(0), 0);
    ASSERT_EQ(copy->ReadSectors(out.data(), 8), 8u);
    EXPECT_EQ(out, Pattern(4096));

    auto other = OpenFlat(WriteFile("other.img", Pattern(4096)));
    ASSERT_TRUE(other);
    EXPECT_FALSE(io->IsSameStorage(other.get()));
    EXPECT_FALSE(io->IsSameStorage(nullptr));
    cDummyIO dummy;
    EXPECT_FALSE(io->IsSameStorage(&dummy));

    std::filesystem::remove(path);
    EXPECT_EQ(io->Duplicate(), nullptr);
}

TEST_F(FlatIO, UncachedReadsTakeOneSectorOfAnImage) {
    const auto bytes = Pattern(10 * 512 + 100);
    auto io = OpenFlat(WriteFile("image.bin", bytes));
    ASSERT_TRUE(io);
    EXPECT_EQ(io->UncachedUnit(), 1u);
    std::vector<std::uint8_t> out(512);
    ASSERT_EQ(io->ReadUncached(3, out.data()), 1u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 3 * 512));
    ASSERT_EQ(io->ReadSectors(out.data(), 1), 1u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 4 * 512));
    EXPECT_EQ(io->ReadUncached(10, out.data()), 0u); // the partial sector
}

TEST(DummyIO, ReadsEndlessZeros) {
    cDummyIO io;
    ASSERT_TRUE(io.Open(nullptr, false));
    EXPECT_TRUE(io.IsReadOnly());
    EXPECT_EQ(io.DisplayName(), u"Unoperable");
    EXPECT_EQ(io.Path(), u"n/a");
    EXPECT_EQ(io.GetSectorCount(), ~std::uint64_t(0));
    std::vector<std::uint8_t> out(1536, 0xFF);
    EXPECT_EQ(io.ReadSectors(out.data(), 3), 3u);
    EXPECT_EQ(out, std::vector<std::uint8_t>(1536, 0));
    std::fill(out.begin(), out.end(), 0xFF);
    EXPECT_TRUE(io.ReadBytes(out.data(), 1020, 10));
    EXPECT_EQ(out[0], 0);
    auto copy = io.Duplicate();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(io.IsSameStorage(copy.get()));
    EXPECT_EQ(copy->DisplayName(), u"Unoperable");
}
