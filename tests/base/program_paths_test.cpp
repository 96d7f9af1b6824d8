#include "base/process_heap.h"
#include "base/program_paths.h"
#include "base/utf.h"
#include "platform/process_symbol.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

TEST(ProgramPathsTest, FromFirstArgument) {
    struct Case {
        const char* argument;
        std::u16string file;
        std::u16string folder;
    };
    const Case cases[] = {
        {nullptr, u"", u"./"},
        {"drovik", u"drovik", u""},
        {"", u"", u""},
        {"/usr/bin/drovik", u"/usr/bin/drovik", u"/usr/bin/"},
        {"./drovik", u"./drovik", u"./"},
        {"/drovik", u"/drovik", u"/"},
        {"C:\\Tools\\drovik.exe", u"C:/Tools/drovik.exe", u"C:/Tools/"},
        // The last backslash wins even before a later slash.
        {"a\\b/c/drovik", u"a/b/c/drovik", u"a/"},
        {"/opt/дровик/drovik", u"/opt/дровик/drovik", u"/opt/дровик/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument ? c.argument : "(none)");
        const ProgramPaths paths = ProgramPathsFromArgument(c.argument);
        EXPECT_EQ(paths.file, c.file);
        EXPECT_EQ(paths.folder, c.folder);
    }
}

// An installed program (PREFIX/bin beside PREFIX/share/drovik) reads its files from the
// share folder; one in a build folder, or in a bin folder without them, from its own.
TEST(ProgramPathsTest, DataFolderOfInstalledAndBuiltPrograms) {
    const std::filesystem::path top =
        std::filesystem::temp_directory_path() / ("drovik-paths-" + std::to_string(::getpid()));
    std::filesystem::remove_all(top);
    std::filesystem::create_directories(top / "usr/bin");
    std::filesystem::create_directories(top / "usr/share/drovik");
    std::filesystem::create_directories(top / "opt/bin");
    std::filesystem::create_directories(top / "build/bin");
    std::filesystem::create_directories(top / "build/share"); // no drovik folder in it
    const std::u16string root = utf::FromUtf8(top.string());
    struct Case {
        std::u16string program;
        std::u16string data;
    };
    const Case cases[] = {
        {root + u"/usr/bin/", root + u"/usr/share/drovik/"},
        {root + u"/opt/bin/", root + u"/opt/bin/"},
        {root + u"/build/bin/", root + u"/build/bin/"},
        {root + u"/usr/", root + u"/usr/"},
        {root + u"/usr/sbin/", root + u"/usr/sbin/"}, // "bin/" must be the whole last name
        {u"bin/", u"bin/"},
        {u"", u""},
        {u"./", u"./"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf::ToUtf8(c.program));
        EXPECT_EQ(DataFolderOf(c.program), c.data);
    }
    std::filesystem::remove_all(top);
}

// The test program runs from the build tree, so its data folder is its own folder.
TEST(ProgramPathsTest, DataFolderOfTheRunningProgramIsItsExecutablesFolder) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(ProgramDataFolder(), utf::FromUtf8(self + "/"));
}

TEST(ProcessHeapTest, AllocatesWithoutTheProgramsExport) {
    // Test programs do not export the heap, so the module's own instance serves.
    EXPECT_EQ(platform::FindProcessSymbol(kProcessSharedHeapExport), nullptr);
    EXPECT_NE(platform::FindProcessSymbol("malloc"), nullptr);
    auto* block = static_cast<unsigned char*>(ProcessHeapAlloc(1000));
    ASSERT_NE(block, nullptr);
    block[999] = 1;
    ProcessHeapFree(block);
    ProcessHeapFree(nullptr);
    void* empty = ProcessHeapAlloc(0);
    EXPECT_NE(empty, nullptr);
    ProcessHeapFree(empty);
}

} // namespace
