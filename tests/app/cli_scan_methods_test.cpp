// drovik-cli scan hands the chosen partition to one method: a method that does not exist
// and an option that belongs to no method given are usage errors, not a scan of nothing.

#include "app_support.h"

#include <gtest/gtest.h>

namespace {

using apptest::RunCli;

TEST(CliScanMethods, UnknownMethodsAndOptionsAreUsageErrors) {
    const auto unknownMethod = RunCli("scan /dev/null --method nosuch --out /tmp/x");
    EXPECT_EQ(unknownMethod.status, 2);
    EXPECT_NE(unknownMethod.output.find("no scan method nosuch"), std::string::npos)
        << unknownMethod.output;

    const auto unknownOption = RunCli("scan /dev/null --method content --fast --out /tmp/x");
    EXPECT_EQ(unknownOption.status, 2);
    EXPECT_NE(unknownOption.output.find("--fast"), std::string::npos) << unknownOption.output;

    // Another method's option is no option of this one, and its value is no source.
    const auto otherMethods = RunCli("scan /dev/null --method ntfs --rules x.urrs --out /tmp/x");
    EXPECT_EQ(otherMethods.status, 2);
}

TEST(CliScanMethods, HelpTellsEveryMethod) {
    const auto help = RunCli("scan --help");
    EXPECT_EQ(help.status, 0);
    for (const char* method : {"content", "ntfs"}) {
        EXPECT_NE(help.output.find(std::string("--method ") + method + "\n"), std::string::npos)
            << method;
    }
}

} // namespace
