// drovik-cli fstest SOURCE [--part P] [--report FILE] [--read-all]: the file-system test,
// its counters and the damaged objects.

#include "app/fs_tools/fs_test.h"
#include "base/lang/builtin_packs.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"
#include "platform/terminal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunFsTest(const std::vector<std::string>& words);

const cli::Command kFsTest(
    "fstest", "test a file system: which folders and files can be read",
    "usage: drovik-cli fstest SOURCE [--part P | --at START[:LENGTH]] [--report FILE]\n"
    "                         [--read-all] [--json]\n\n"
    "Lists every folder of the file system on partition P of SOURCE and opens every file,\n"
    "counting the intact and the damaged ones and their bytes, and prints the paths of the\n"
    "damaged objects. A folder is damaged when its listing fails, a file when its data\n"
    "cannot be opened. With --read-all every byte of every file is read as well, so that a\n"
    "file whose data lies on unreadable sectors counts as damaged; the unreadable sectors of\n"
    "the volume are then named too. Without --part the only partition with a file system\n"
    "is read. Ctrl-C stops the test with what it has counted (exit status 3).\n\n"
    "  --report FILE  also write the report the window saves (UTF-16 text with CR LF)\n"
    "  --json         one row {\"damaged\": PATH} per damaged object, then one row with the\n"
    "                 counters: intact_folders, damaged_folders, intact_files, damaged_files,\n"
    "                 intact_bytes, damaged_bytes (and bad_sectors with --read-all)\n",
    RunFsTest);

void PrintText(const cFsTestResult& result) {
    const cFsTestCounters& c = result.counters;
    const auto line = [](const char* what, std::uint64_t intact, std::uint64_t damaged) {
        std::printf("%-8s intact %llu, damaged %llu\n", what,
                    static_cast<unsigned long long>(intact),
                    static_cast<unsigned long long>(damaged));
    };
    line("folders", c.intactFolders, c.damagedFolders);
    line("files", c.intactFiles, c.damagedFiles);
    line("bytes", c.intactBytes, c.damagedBytes);
    if (result.readAll) {
        std::printf("unreadable: %s\n", FormatBadRanges(result.badRanges).c_str());
    }
    for (const std::u16string& path : result.damaged) {
        std::printf("damaged: %s\n", utf::ToUtf8(path).c_str());
    }
}

void PrintJson(const cFsTestResult& result) {
    for (const std::u16string& path : result.damaged) {
        cli::JsonObject().Add("damaged", utf::ToUtf8(path)).Print();
    }
    const cFsTestCounters& c = result.counters;
    cli::JsonObject row;
    row.Add("intact_folders", c.intactFolders)
        .Add("damaged_folders", c.damagedFolders)
        .Add("intact_files", c.intactFiles)
        .Add("damaged_files", c.damagedFiles)
        .Add("intact_bytes", c.intactBytes)
        .Add("damaged_bytes", c.damagedBytes);
    if (result.readAll) {
        row.Add("bad_sectors", FormatBadRanges(result.badRanges));
    }
    row.Print();
}

int RunFsTest(const std::vector<std::string>& words) {
    std::vector<std::string> options = cli::kPartitionOptions;
    options.emplace_back("--report");
    const cli::Args args(words, options);
    if (args.WantsHelp()) {
        std::fputs(kFsTest.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json", "--read-all"}); !unknown.empty()) {
        return cli::UsageError(kFsTest, "unknown option " + unknown.front());
    }
    if (args.Positional().size() != 1) {
        return cli::UsageError(kFsTest, "expected SOURCE");
    }
    std::optional<cli::Volume> volume =
        cli::OpenVolume("fstest", args.Positional()[0], cli::ChosenPartition(args));
    if (!volume) {
        return 1;
    }
    platform::CatchInterrupts();
    cFsTestResult result;
    const bool finished = TestFileSystem(
        *volume->fs, args.Flag("--read-all"), result, [](const cFsTestResult&) {},
        [] { return platform::InterruptRequested(); });
    if (args.Flag("--json")) {
        PrintJson(result);
    } else {
        PrintText(result);
    }
    if (const auto path = args.Option("--report")) {
        // The same report as the window's, in its Russian texts.
        lang::RegisterPacksFor(lang::eLanguage::Russian);
        if (report::Write(*path, BuildFsTestReport(result)) != report::WriteResult::Written) {
            return cli::Fail("fstest",
                             "cannot write the report " + *path + ": " + cli::SystemReason());
        }
    }
    return finished ? 0 : 3;
}

} // namespace
