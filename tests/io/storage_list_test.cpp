#include "base/utf.h"
#include "io/storage_list.h"
#include "io/storage_source.h"
#include "support/fixtures.h"
#include "support/sim_device.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

std::u16string NameOf(const cBaseIO& reader) {
    std::u16string name;
    reader.GetName(name);
    return name;
}

std::vector<std::u16string> Names(const cStorageList& list) {
    std::vector<std::u16string> names;
    for (const auto& entry : list.Entries()) {
        names.push_back(NameOf(entry->Reader()));
    }
    return names;
}

std::string MakeImage(const std::string& name, std::size_t size) {
    const std::string path = fixtures::ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    return path;
}

// A tree that records which storage it was built over and when it was destroyed.
struct RecordingTree final : cStorageTree {
    explicit RecordingTree(cBaseIO& built) : storage(built) {}
    ~RecordingTree() override {
        // The tree must go before its storage: reading it here would crash otherwise.
        std::uint8_t probe[4];
        storageReadableAtDestruction = storage.ReadBytes(probe, 0, sizeof probe);
    }
    cBaseIO& storage;
    static inline bool storageReadableAtDestruction = false;
};

std::unique_ptr<cStorageTree> BuildRecordingTree(cBaseIO& storage) {
    return std::make_unique<RecordingTree>(storage);
}

class StorageListTest : public ::testing::Test {};

} // namespace

TEST_F(StorageListTest, ListsReadableDrivesInNumberOrderPastAGap) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(64 * 512);
    devices.Drive(1) = MakeSimDisk(64 * 512);
    devices.Drive(3) = MakeSimDisk(64 * 512);
    devices.Drive(4) = MakeSimDisk(64 * 512);
    devices.Drive(4)->geometryFails = true;
    devices.Drive(5) = MakeSimDisk(64 * 512);
    devices.Drive(5)->badBytes.insert(0); // opens, but its first sector cannot be read
    devices.Drive(6) = MakeSimDisk(64 * 512);
    devices.Drive(6)->lengthFails = true; // no size to report
    devices.Drive(7) = MakeSimDisk(0);
    devices.Drive(8) = MakeSimDisk(4 * 4096, 4096);
    cStorageList list(nullptr, devices);
    list.EnumeratePhysicalDrives();
    EXPECT_EQ(Names(list),
              (std::vector<std::u16string>{u"Drive0", u"Drive1", u"Drive3", u"Drive8"}));
    for (const auto& entry : list.Entries()) {
        EXPECT_EQ(entry->EntryKind(), 1u);
        EXPECT_TRUE(entry->Reader().IsReadOnly());
        EXPECT_EQ(entry->Tree(), nullptr); // a list without a builder
    }
    EXPECT_TRUE(devices.writableOpens.empty());
}

TEST_F(StorageListTest, ImageFilesAreRawDiskImagesUntilARefresh) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(64 * 512);
    cStorageList list(nullptr, devices);
    list.EnumeratePhysicalDrives();
    const std::string path = MakeImage("plain.img", 4096);
    cBaseIO* image = list.AddImageFile(utf::FromUtf8(path));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetStorageKind(), storage_kind::kDiskImage);
    EXPECT_EQ(StorageKindText(image->GetStorageKind()), u"Disk image");
    EXPECT_TRUE(image->IsReadOnly());
    ASSERT_EQ(list.Entries().size(), 2u);
    EXPECT_EQ(list.Entries()[1]->EntryKind(), 2u);
    EXPECT_TRUE(list.Entries()[1]->Holds(image));
    EXPECT_FALSE(list.Entries()[0]->Holds(image));
    EXPECT_EQ(list.AddImageFile(u"/nonexistent/drovik.img"), nullptr);
    EXPECT_EQ(list.Entries().size(), 2u);

    list.SetChanged(true);
    list.EnumeratePhysicalDrives();
    EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"Drive0"}));
    EXPECT_FALSE(list.IsChanged());
}

TEST_F(StorageListTest, EntriesOwnTreesThatGoBeforeTheirReaders) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(64 * 512);
    cStorageList list(BuildRecordingTree, devices);
    list.EnumeratePhysicalDrives();
    cBaseIO* image = list.AddImageFile(utf::FromUtf8(MakeImage("tree.img", 4096)));
    ASSERT_NE(image, nullptr);
    auto* tree = static_cast<RecordingTree*>(list.FindTree(image));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(&tree->storage, image);
    EXPECT_NE(list.FindTree(&list.Entries()[0]->Reader()), tree);
    EXPECT_EQ(list.FindTree(nullptr), nullptr);

    RecordingTree::storageReadableAtDestruction = false;
    EXPECT_TRUE(list.Remove(image));
    EXPECT_TRUE(RecordingTree::storageReadableAtDestruction);
    EXPECT_FALSE(list.Remove(image));
    EXPECT_EQ(list.Entries().size(), 1u);
    list.Clear();
    EXPECT_TRUE(list.Entries().empty());
}

TEST_F(StorageListTest, FloppyAndCdDrivesAreListedWhenTheirFirstSectorsRead) {
    SimDevices devices;
    devices.Floppy('A') = MakeSimDisk(2880 * 512);
    devices.Floppy('B') = MakeSimDisk(2880 * 512);
    devices.Floppy('B')->badBytes.insert(3 * 512);
    devices.Cd(0) = MakeSimDisk(16 * 2048, 2048);
    devices.Cd(0)->optical = true;
    devices.Cd(1) = MakeSimDisk(16 * 2048, 2048); // not an optical drive
    cStorageList list(nullptr, devices);
    list.EnumerateFloppyDrives();
    list.EnumerateCdDrives();
    ASSERT_EQ(list.Entries().size(), 2u);
    EXPECT_EQ(NameOf(list.Entries()[0]->Reader()), u"Drive A:");
    EXPECT_EQ(list.Entries()[1]->Reader().GetStorageKind(), storage_kind::kCdDvd);
}

TEST(StorageSource, ResolvesDriveNamesDeviceNodesAndImageFiles) {
    SimDevices devices;
    devices.Drive(0) = MakeSimDisk(64 * 512);
    devices.Drive(1) = MakeSimDisk(64 * 512);
    std::string error;
    auto drive = ResolveStorageSource("Drive1", error, devices);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->kind, cStorageSource::Kind::Drive);
    EXPECT_EQ(drive->drive, 1u);
    auto reader = OpenStorageSource(*drive, devices);
    ASSERT_TRUE(reader);
    EXPECT_EQ(NameOf(*reader), u"Drive1");

    const std::string path = MakeImage("source.img", 2048);
    auto image = ResolveStorageSource(path, error, devices);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->kind, cStorageSource::Kind::Image);
    reader = OpenStorageSource(*image, devices);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->GetSectorCount(), 4u);
    cStorageList list(nullptr, devices);
    EXPECT_NE(AddStorageSource(list, *image), nullptr);
    EXPECT_NE(AddStorageSource(list, *drive), nullptr);
    EXPECT_EQ(list.Entries().size(), 2u);

    for (const char* bad : {"Drive2", "/nonexistent/x.img", "/tmp", ""}) {
        error.clear();
        EXPECT_FALSE(ResolveStorageSource(bad, error, devices)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    // Names that merely start like a drive are file names.
    EXPECT_FALSE(ResolveStorageSource("Drive1x", error, devices));
    EXPECT_NE(error.find("Drive1x"), std::string::npos);
}
