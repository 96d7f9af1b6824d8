#include "platform/sysfs.h"
#include "support/fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace {

namespace fs = std::filesystem;

void Put(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Lays out ROOT/devices/DEVICE/block/NAME with its attributes and links ROOT/block/NAME
// and ROOT/dev/block/MAJ:MIN to it, as the kernel does.
struct FakeDisk {
    FakeDisk(std::string diskName, std::string diskDevice, std::string diskSize = "2048",
             std::string diskRemovable = "0",
             std::map<std::string, std::string> diskAttributes = {})
        : name(std::move(diskName)), device(std::move(diskDevice)), size(std::move(diskSize)),
          removable(std::move(diskRemovable)), attributes(std::move(diskAttributes)) {}
    std::string name;
    std::string device; // path below devices/
    std::string size;
    std::string removable;
    std::map<std::string, std::string> attributes; // relative to the disk's folder
    std::string numbers;                           // "8:16" links dev/block/8:16 here
};

std::string MakeSysfs(const std::vector<FakeDisk>& disks) {
    const fs::path root = fixtures::ScratchDir() + "/sys";
    fs::remove_all(root);
    fs::create_directories(root / "block");
    fs::create_directories(root / "dev" / "block");
    for (const auto& disk : disks) {
        const fs::path folder = root / "devices" / disk.device / "block" / disk.name;
        Put(folder / "size", disk.size + "\n");
        Put(folder / "removable", disk.removable + "\n");
        for (const auto& [attribute, text] : disk.attributes) {
            Put(folder / attribute, text);
        }
        fs::create_symlink(fs::path("..") / "devices" / disk.device / "block" / disk.name,
                           root / "block" / disk.name);
        if (!disk.numbers.empty()) {
            fs::create_symlink(fs::path("..") / ".." / "devices" / disk.device / "block" /
                                   disk.name,
                               root / "dev" / "block" / disk.numbers);
        }
    }
    return root.string();
}

} // namespace

TEST(Sysfs, WholeDisksAreSortedByNameAndEmptyOnesLeftOut) {
    const std::string root = MakeSysfs({
        {"sdb", "pci0/usb1/1-1/host6/target6:0:0/6:0:0:0"},
        {"loop1", "virtual", "0"},
        {"loop0", "virtual", "2048"},
        {"nvme0n1", "pci0/nvme/nvme0"},
        {"sda", "pci0/ata1/host0/target0:0:0/0:0:0:0"},
    });
    EXPECT_EQ(platform::WholeDiskNames(root),
              (std::vector<std::string>{"loop0", "nvme0n1", "sda", "sdb"}));
    EXPECT_TRUE(platform::WholeDiskNames(root + "/missing").empty());
}

TEST(Sysfs, BusRemovableAndProductComeFromTheDeviceTree) {
    struct Case {
        FakeDisk disk;
        platform::BlockBus bus;
        bool removable;
        std::string product;
    };
    const Case cases[] = {
        {{"sda",
          "pci0/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0",
          "100",
          "0",
          {{"device/model", "Samsung SSD 870 \n"}, {"device/vendor", "ATA     \n"}}},
         platform::BlockBus::Ata,
         false,
         "Samsung SSD 870 \n"},
        {{"sdf",
          "pci0/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0",
          "100",
          "0",
          {{"../../../../../link3/sata_spd", "6.0 Gbps\n"}}},
         platform::BlockBus::Sata,
         false,
         ""},
        {{"sdg",
          "pci0/0000:00:1f.2/ata4/host3/target3:0:0/3:0:0:0",
          "100",
          "0",
          {{"../../../../../link4/sata_spd", "<unknown>\n"}}},
         platform::BlockBus::Ata,
         false,
         ""},
        {{"sr0",
          "pci0/ata2/host1/target1:0:0/1:0:0:0",
          "100",
          "1",
          {{"device/type", "5\n"}, {"device/model", "DVD-RW\n"}}},
         platform::BlockBus::Atapi,
         true,
         "DVD-RW\n"},
        {{"sdb",
          "pci0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0",
          "100",
          "1",
          {{"device/vendor", "Kingston\n"}, {"device/model", "  \n"}}},
         platform::BlockBus::Usb,
         true,
         "Kingston\n"},
        {{"nvme0n1", "pci0/0000:01:00.0/nvme/nvme0", "100", "0", {{"device/model", "WD\n"}}},
         platform::BlockBus::Nvme,
         false,
         "WD\n"},
        {{"vda", "pci0/0000:00:04.0/virtio1", "100", "0", {}},
         platform::BlockBus::Virtual,
         false,
         ""},
        {{"mmcblk0",
          "platform/mmc_host/mmc0/mmc0:0001",
          "100",
          "0",
          {{"device/type", "SD\n"}, {"device/name", "SC32G\n"}}},
         platform::BlockBus::Sd,
         false,
         "SC32G\n"},
        {{"mmcblk1", "platform/mmc_host/mmc1/mmc1:0001", "100", "0", {{"device/type", "MMC\n"}}},
         platform::BlockBus::Mmc,
         false,
         ""},
        {{"loop3", "virtual", "100", "0", {{"loop/backing_file", "/images/a.img\n"}}},
         platform::BlockBus::FileBacked,
         false,
         "/images/a.img\n"},
        {{"md0", "virtual", "100", "0", {}}, platform::BlockBus::Raid, false, ""},
        {{"dm-0", "virtual", "100", "0", {}}, platform::BlockBus::Virtual, false, ""},
        {{"sdc", "pci0/host2/port-2:0/end_device-2:0/target2:0:0/2:0:0:0", "100", "0", {}},
         platform::BlockBus::Sas,
         false,
         ""},
        {{"sdd", "platform/host3/session1/target3:0:0/3:0:0:0", "100", "0", {}},
         platform::BlockBus::Iscsi,
         false,
         ""},
        {{"sde", "pci0/host4/target4:0:0/4:0:0:0", "100", "0", {}},
         platform::BlockBus::Scsi,
         false,
         ""},
        {{"xyz", "platform/other", "100", "0", {}}, platform::BlockBus::Unknown, false, ""},
    };
    for (const auto& c : cases) {
        const std::string root = MakeSysfs({c.disk});
        const auto facts = platform::DescribeBlockDevice(c.disk.name, root);
        ASSERT_TRUE(facts) << c.disk.name;
        EXPECT_EQ(facts->bus, c.bus) << c.disk.name;
        EXPECT_EQ(facts->removable, c.removable) << c.disk.name;
        EXPECT_EQ(facts->product, c.product) << c.disk.name;
    }
    EXPECT_FALSE(platform::DescribeBlockDevice("sdz", MakeSysfs({})));
}

TEST(Sysfs, DeviceNumbersMapToWholeDisksOnly) {
    FakeDisk disk{"sdb", "pci0/host6/target6:0:0/6:0:0:0"};
    disk.numbers = "8:16";
    const std::string root = MakeSysfs({disk});
    // A partition's number links to a folder with a "partition" attribute.
    const fs::path partition = fs::path(root) / "devices" / disk.device / "block/sdb/sdb1";
    Put(partition / "partition", "1\n");
    fs::create_symlink(fs::path("../../devices") / disk.device / "block/sdb/sdb1",
                       fs::path(root) / "dev/block/8:17");
    EXPECT_EQ(platform::WholeDiskNameOf(8, 16, root), "sdb");
    EXPECT_FALSE(platform::WholeDiskNameOf(8, 17, root));
    EXPECT_FALSE(platform::WholeDiskNameOf(8, 32, root));
}
