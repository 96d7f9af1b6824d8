// drovik-cli storages and dump, run as the user runs them, against loop devices and the
// bytes dd reads from them.

#include "container_check.h"
#include "support/fixtures.h"
#include "support/loop_device.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

// Runs a shell command line; stdout is captured, stderr joins it when asked.
Outcome Shell(const std::string& command, bool withErrors = false) {
    Outcome run;
    FILE* pipe = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe) {
        return run;
    }
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.out.append(chunk, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Outcome Cli(const std::string& arguments, bool withErrors = false) {
    return Shell(fixtures::BinDir() + "/drovik-cli " + arguments, withErrors);
}

std::string MakeImage(const std::string& folder, const std::string& name, std::size_t size) {
    const std::string path = folder + "/" + name;
    std::string bytes(size, '\0');
    std::uint32_t state = std::uint32_t(size);
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 23);
    }
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The JSON line of storages that names this device node, or "".
std::string StorageLine(const std::string& listing, const std::string& device) {
    for (const std::string& line : Lines(listing)) {
        if (line.find("\"path\":\"" + device + "\"") != std::string::npos) {
            return line;
        }
    }
    return {};
}

} // namespace

TEST(Cli, StoragesListsLoopDevicesWithTheirSizes) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "loop devices need root";
    }
    const std::string folder = fixtures::ScratchDir();
    fixtures::LoopDevice small(MakeImage(folder, "small.img", 3 << 20), 512);
    fixtures::LoopDevice large(MakeImage(folder, "large.img", 5 << 20), 4096);
    ASSERT_TRUE(small.Attached() && large.Attached());
    const Outcome json = Cli("storages --json");
    ASSERT_EQ(json.status, 0);
    for (const auto& [device, bytes] :
         {std::pair{small.Path(), 3u << 20}, {large.Path(), 5u << 20}}) {
        const std::string line = StorageLine(json.out, device);
        ASSERT_FALSE(line.empty()) << device << "\n" << json.out;
        EXPECT_NE(line.find("\"kind\":\"Windows disk\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"sectors\":" + std::to_string(bytes / 512) + ","), std::string::npos)
            << line;
        EXPECT_NE(line.find("\"bytes\":" + std::to_string(bytes) + "}"), std::string::npos) << line;
        EXPECT_NE(line.find("\"name\":\"Drive"), std::string::npos) << line;
        EXPECT_NE(line.find("\"number\":"), std::string::npos) << line;
    }
    const Outcome text = Cli("storages");
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find(small.Path()), std::string::npos) << text.out;
}

TEST(Cli, DumpShowsWhatDdReads) {
    if (!fixtures::IsRoot()) {
        GTEST_SKIP() << "loop devices need root";
    }
    const std::string folder = fixtures::ScratchDir();
    const std::string image = MakeImage(folder, "dump.img", 1 << 20);
    for (unsigned sectorSize : {512u, 4096u}) {
        fixtures::LoopDevice loop(image, sectorSize);
        ASSERT_TRUE(loop.Attached());
        for (unsigned sector : {0u, 1u, 7u, 9u, 2047u}) {
            const Outcome dd =
                Shell("dd if=" + loop.Path() + " bs=512 skip=" + std::to_string(sector) +
                      " count=1 status=none | od -An -v -tx1 | tr -d ' \\n'");
            ASSERT_EQ(dd.status, 0);
            ASSERT_EQ(dd.out.size(), 1024u);
            const Outcome dump =
                Cli("dump " + loop.Path() + " --sector " + std::to_string(sector) + " --json");
            ASSERT_EQ(dump.status, 0) << sectorSize;
            EXPECT_EQ(dump.out,
                      "{\"sector\":" + std::to_string(sector) + ",\"hex\":\"" + dd.out + "\"}\n")
                << sectorSize << " " << sector;
        }
        const Outcome several = Cli("dump " + loop.Path() + " --sector 5 --count 4 --json");
        ASSERT_EQ(several.status, 0);
        EXPECT_EQ(Lines(several.out).size(), 4u);
    }
    // The image file itself shows the same bytes.
    const Outcome fromFile = Cli("dump " + image + " --sector 9 --json");
    const Outcome dd = Shell("dd if=" + image +
                             " bs=512 skip=9 count=1 status=none | od -An -v -tx1 | tr -d ' \\n'");
    EXPECT_EQ(fromFile.out, "{\"sector\":9,\"hex\":\"" + dd.out + "\"}\n");
}

TEST(Cli, DumpPrintsHexAndTextColumns) {
    const std::string folder = fixtures::ScratchDir();
    const std::string path = folder + "/text.img";
    std::string bytes(1024, '\0');
    bytes.replace(512, 16, "Hello, sector 1!");
    std::ofstream(path, std::ios::binary) << bytes;
    const Outcome dump = Cli("dump " + path + " --sector 1");
    ASSERT_EQ(dump.status, 0);
    const auto lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], "000000000200  48 65 6c 6c 6f 2c 20 73  65 63 74 6f 72 20 31 21  "
                        "|Hello, sector 1!|");
}

TEST(Cli, DumpAndStoragesFailClearly) {
    const std::string folder = fixtures::ScratchDir();
    const std::string path = folder + "/tiny.img";
    std::ofstream(path, std::ios::binary) << std::string(1024, 'x');
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"dump /nonexistent/disk.img --sector 0", 1,
         "cannot read /nonexistent/disk.img: No such file or directory"},
        {"dump " + folder + " --sector 0", 1, "is a folder"},
        {"dump Drive999 --sector 0", 1, "there is no Drive999"},
        {"dump " + path + " --sector 2", 1, "beyond the end"},
        {"dump " + path, 2, "--sector N is missing"},
        {"dump " + path + " --sector x", 2, "--sector needs a number"},
        {"dump " + path + " --sector 0 --count 0", 2, "--count needs a positive number"},
        {"dump " + path + " --raw --json", 2, "--raw and --json exclude each other"},
        {"dump --sector 0", 2, "SOURCE is missing"},
        {"dump " + path + " --sector 0 --bogus", 2, "unknown option --bogus"},
        {"storages --bogus", 2, "unknown option --bogus"},
        {"storages extra", 2, "unexpected argument extra"},
    };
    for (const auto& c : cases) {
        const Outcome run = Cli(c.arguments, true);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << c.arguments << "\n" << run.out;
    }
    // A dump running past the end shows what exists and says where the storage ends.
    const Outcome past = Cli("dump " + path + " --sector 1 --count 5 --json", true);
    EXPECT_EQ(past.status, 0);
    EXPECT_NE(past.out.find("ends at sector 2"), std::string::npos) << past.out;
    for (const char* command : {"storages --help", "dump --help"}) {
        const Outcome help = Cli(command);
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("usage: drovik-cli"), std::string::npos) << command;
    }
}

// Virtual disk containers open in the command-line program as the disk they hold: dump
// --raw gives the bytes qemu-img gives, and parts finds the volume inside, naming the
// container's kind.
TEST(Cli, ContainersShowTheDiskTheyHold) {
    const struct {
        const char* image;
        const char* kind;
    } containers[] = {
        {"mono.vmdk", "VMware VMDK"},     {"stream.vmdk", "VMware VMDK"},
        {"dynamic.vhd", "VirtualPC VHD"}, {"fixed.vhd", "VirtualPC VHD"},
        {"disk.hdd", "Parallels HDD"},
    };
    for (const auto& container : containers) {
        SCOPED_TRACE(container.image);
        const std::string image = container_check::Fixture(container.image);
        const Outcome raw = Cli("dump " + image + " --raw --count all");
        ASSERT_EQ(raw.status, 0);
        const std::vector<std::uint8_t> expected = container_check::ReadFile(image + ".raw");
        // Byte for byte what qemu-img reads.
        EXPECT_TRUE(raw.out == std::string(expected.begin(), expected.end()));
        const Outcome slice = Cli("dump " + image + " --raw --sector 2048 --count 3");
        ASSERT_EQ(slice.status, 0);
        EXPECT_EQ(slice.out,
                  std::string(expected.begin() + 2048 * 512, expected.begin() + 2051 * 512));

        const Outcome parts = Cli("parts --json " + image);
        ASSERT_EQ(parts.status, 0);
        EXPECT_NE(parts.out.find("\"storage\":\"" + std::string(container.kind) + "\""),
                  std::string::npos)
            << parts.out;
        EXPECT_NE(parts.out.find("\"path\":\"1\",\"start\":2048,\"length\":40960"),
                  std::string::npos)
            << parts.out;
        EXPECT_NE(parts.out.find("\"fs\":\"FAT\",\"label\":\"CONTAINERS\""), std::string::npos)
            << parts.out;
        const Outcome text = Cli("parts " + image);
        EXPECT_EQ(text.out.rfind("storage: " + std::string(container.kind) + ", ", 0), 0u)
            << text.out;
    }
    // A file of the volume inside a dynamic VHD reads whole.
    const Outcome counting =
        Cli("cat " + container_check::Fixture("dynamic.vhd") + " --part 1 /docs/counting.txt");
    ASSERT_EQ(counting.status, 0);
    EXPECT_EQ(counting.out, Shell("seq 1 20000").out);
}
