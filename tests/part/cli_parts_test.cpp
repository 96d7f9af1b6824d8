// drovik-cli parts, run as a user runs it.

#include "support/fixtures.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct CliRun {
    int status;
    std::string out;
};

CliRun Cli(const std::string& arguments) {
    const std::string command = fixtures::BinDir() + "/drovik-cli " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run{-1, {}};
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CliParts, JsonRowsCarryPathsAndTheMapThatWasRead) {
    const CliRun run = Cli("parts --json " + fixtures::Image("part-mbr.sh", "extended05.img"));
    ASSERT_EQ(run.status, 0);
    const std::string expected =
        R"json({"path":"0","start":0,"length":32768,"type":32764,"type_name":"[unknown]","parser":"MBR","fs":null,"label":null,"storage":"Disk image"}
{"path":"1","start":2048,"length":2048,"type":131,"type_name":"Linux native (unclassified)","parser":null,"fs":null,"label":null}
{"path":"2","start":4096,"length":16384,"type":5,"type_name":"Extended","parser":null,"fs":null,"label":null}
{"path":"2.1","start":6144,"length":2048,"type":131,"type_name":"Linux native (unclassified)","parser":null,"fs":null,"label":null}
{"path":"2.2","start":10240,"length":1024,"type":130,"type_name":"Linux swap","parser":null,"fs":null,"label":null}
{"path":"2.3","start":14336,"length":2048,"type":12,"type_name":"FAT32 LBA","parser":null,"fs":null,"label":null}
)json";
    EXPECT_EQ(run.out, expected);
}

TEST(CliParts, TextListingShowsTypeCodesInHex) {
    const CliRun run = Cli("parts " + fixtures::Image("part-gpt.sh", "types.img"));
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("1.11 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0x5F83  GPT Basic"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("GPT"), std::string::npos);
}

TEST(CliParts, LeavesShowTheirFileSystemAndLabel) {
    const CliRun run = Cli("parts --json " + fixtures::Image("part-mbr.sh", "fat-in-mbr.img"));
    ASSERT_EQ(run.status, 0);
    for (
        const std::string row : {
            R"j({"path":"1","start":2048,"length":20480,"type":12,"type_name":"FAT32 LBA","parser":null,"fs":"FAT32","label":"MYDATA"})j",
            R"j({"path":"2","start":22528,"length":8192,"type":131,"type_name":"Linux native (unclassified)","parser":null,"fs":null,"label":null})j",
        }) {
        EXPECT_NE(run.out.find(row), std::string::npos) << run.out;
    }
}

TEST(CliParts, BadSourcesAndArgumentsFail) {
    EXPECT_NE(Cli("parts /nonexistent/image.img").status, 0);
    EXPECT_EQ(Cli("parts").status, 2);
    EXPECT_EQ(Cli("parts a b").status, 2);
    EXPECT_EQ(Cli("parts --jsn " + fixtures::Image("part-mbr.sh", "primaries.img")).status, 2);
}

} // namespace
