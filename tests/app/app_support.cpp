#include "app_support.h"

#include "base/lang/builtin_packs.h"
#include "base/lang/pack_reader.h"
#include "base/lang/text_registry.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <set>
#include <sys/wait.h>

namespace apptest {

namespace fs = std::filesystem;

void LoadTexts() {
    static std::once_flag once;
    std::call_once(once, [] {
        ASSERT_TRUE(lang::RegisterPack(lang::EnglishPack(), lang::Registry()));
        ASSERT_TRUE(lang::RegisterPack(lang::RussianPack(), lang::Registry()));
    });
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

std::set<std::string> RelativePaths(const fs::path& root) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        paths.insert(fs::relative(entry.path(), root).string());
    }
    return paths;
}

} // namespace

std::vector<std::string> TreeDifferences(const std::string& expected, const std::string& actual) {
    std::vector<std::string> differences;
    const std::set<std::string> want = RelativePaths(expected);
    const std::set<std::string> have = RelativePaths(actual);
    for (const std::string& path : want) {
        if (!have.count(path))
            differences.push_back("missing: " + path);
    }
    for (const std::string& path : have) {
        if (!want.count(path))
            differences.push_back("extra: " + path);
    }
    for (const std::string& path : want) {
        if (!have.count(path))
            continue;
        const fs::path a = fs::path(expected) / path;
        const fs::path b = fs::path(actual) / path;
        if (fs::is_directory(a) != fs::is_directory(b)) {
            differences.push_back("kind differs: " + path);
        } else if (!fs::is_directory(a)) {
            const auto bytesA = ReadFileBytes(a.string());
            const auto bytesB = ReadFileBytes(b.string());
            if (bytesA.size() != bytesB.size()) {
                differences.push_back("size differs: " + path + " (" +
                                      std::to_string(bytesA.size()) + " vs " +
                                      std::to_string(bytesB.size()) + ")");
            } else if (bytesA != bytesB) {
                const auto at = std::mismatch(bytesA.begin(), bytesA.end(), bytesB.begin());
                differences.push_back("bytes differ: " + path + " at " +
                                      std::to_string(at.first - bytesA.begin()));
            }
        }
    }
    return differences;
}

CliOutcome RunCli(const std::string& arguments, bool withErrors) {
    CliOutcome run;
    const std::string command = fixtures::BinDir() + "/drovik-cli " + arguments + " </dev/null" +
                                (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        run.output.append(chunk, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::unique_ptr<cFSObject> MountedFat::Entry(const std::u16string& path) {
    auto entry = reader->FindByPath(path, reader->GetRootId());
    EXPECT_TRUE(entry) << "no entry in the image at that path";
    return entry;
}

std::vector<std::unique_ptr<cFSObject>> MountedFat::RootObjects() {
    std::vector<std::unique_ptr<cFSObject>> objects;
    auto root = reader->GetObject(reader->GetRootId());
    EXPECT_TRUE(root);
    if (!root)
        return objects;
    reader->EnumFolder(*root, [&](cFSObject& entry) {
        const bool live = entry.Kind() == fskind::kFolder || entry.Kind() == fskind::kFile;
        if (live && entry.name != u"." && entry.name != u"..")
            objects.push_back(entry.Clone());
        return true;
    });
    return objects;
}

std::unique_ptr<MountedFat> MountFat(const std::string& image, bool fat32) {
    auto mounted = std::make_unique<MountedFat>();
    auto bytes = ReadFileBytes(image);
    EXPECT_FALSE(bytes.empty()) << image;
    if (bytes.empty())
        return nullptr;
    mounted->storage = std::make_unique<cMemIO>(std::move(bytes));
    mounted->record.SetRecord(mounted->storage.get(), 0, mounted->storage->GetSectorCount(),
                              fat32 ? 0x0C : 0x06);
    if (fat32) {
        mounted->reader = std::make_unique<cVFAT32>();
    } else {
        mounted->reader = std::make_unique<cVFAT>();
    }
    EXPECT_TRUE(mounted->reader->Mount(mounted->record)) << image;
    return mounted->reader->Partition() ? std::move(mounted) : nullptr;
}

} // namespace apptest
