#include "base/process_heap.h"
#include "base/program_paths.h"
#include "platform/process_symbol.h"

#include <gtest/gtest.h>

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
