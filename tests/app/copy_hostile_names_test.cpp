// Names no tool puts on a disk but a damaged or crafted one can hold: a copy must still
// write only inside the folder the user chose, and a folder listing itself as its own
// child must not make the walk endless. A small listed file system stands in for such a
// volume.
#include "app/copy/copy_files_job.h"
#include "app_support.h"
#include "base/utf.h"
#include "listed_fs.h"
#include "support/fixtures.h"
#include "vfs/vfs.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace fs = std::filesystem;
using apptest::cListedFS;

namespace {

TEST(CopyHostileNames, NothingIsWrittenOutsideTheTargetFolder) {
    apptest::LoadTexts();
    const fs::path scratch = fixtures::ScratchDir();
    const fs::path target = scratch / "inside" / "target";
    fs::create_directories(target);

    cListedFS volume;
    volume.folders[10] = {
        {false, u"..", 11},                               // a file named like the parent
        {false, u".", 12},                                // and like the folder itself
        {true, u"..", 1},                                 // a real "..": passed over
        {true, u".", 10},                                 // a real ".": passed over
        {false, u"../../escape", 13},                     // slashes become '='
        {false, std::u16string(u"\0", 1), 14},            // NUL alone
        {false, u"", 15},                                 // nothing at all
        {true, u"loop", 10},                              // lists its own parent again
        {true, u"..\\..", 16},                            // backslashes become '-'
        {false, std::u16string(200, u'ж') + u".txt", 19}, // 404 bytes of UTF-8
    };
    volume.folders[16] = {{false, u"deep", 17}};

    std::vector<std::unique_ptr<cFSObject>> request;
    request.push_back(volume.Make({true, u"..", 10}, 1)); // the requested folder itself
    request.push_back(volume.Make({false, u"..", 18}, 1));

    cCopyFilesJob job(nullptr, std::move(request), utf::FromUtf8(target.string()));
    ASSERT_TRUE(job.Start());
    while (job.IsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    job.Stop();

    // Only the target folder was touched.
    std::vector<std::string> outside;
    for (const auto& entry : fs::recursive_directory_iterator(scratch)) {
        const std::string path = fs::relative(entry.path(), scratch).string();
        if (path != "inside" && path != "inside/target" && path.rfind("inside/target/", 0) != 0) {
            outside.push_back(path);
        }
    }
    EXPECT_TRUE(outside.empty()) << ::testing::PrintToString(outside);

    const fs::path folder = target / "object00000010";
    const std::pair<fs::path, std::string> files[] = {
        {target / "object00000018", ".."},
        {folder / "object00000011", ".."},
        {folder / "object00000012", "."},
        {folder / "..=..=escape", "../../escape"},
        {folder / "_", std::string(1, '\0')},
        {folder / "object00000015", ""},
        {folder / "..-.." / "deep", "deep"},
        {folder / utf::ToUtf8(std::u16string(125, u'ж') + u".txt"),
         utf::ToUtf8(std::u16string(200, u'ж') + u".txt")},
    };
    for (const auto& [path, bytes] : files) {
        const auto content = apptest::ReadFileBytes(path.string());
        EXPECT_EQ(std::string(content.begin(), content.end()), bytes) << path;
    }
    // The loop is logged as unreadable, and neither created nor walked into.
    EXPECT_FALSE(fs::exists(folder / "loop"));
    EXPECT_TRUE(job.HadErrors());
    ASSERT_EQ(job.FinishedLines().size(), 1u);
    EXPECT_EQ(job.FinishedLines()[0], u"Ошибка обработки " +
                                          utf::FromUtf8((folder / "loop").string()) +
                                          u": Невозможно прочитать исходный файл");
}

} // namespace
