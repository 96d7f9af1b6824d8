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
#include <sstream>
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

std::string ReadFileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
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

std::map<std::string, std::string> ListedKinds(const std::string& lsOutput) {
    // Columns: kind, size, time, id, then the path to the end of the line.
    std::map<std::string, std::string> listed;
    std::istringstream lines(lsOutput);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind, size, time, id, path;
        fields >> kind >> size >> time >> id;
        std::getline(fields >> std::ws, path);
        listed[path] = kind == "folder" ? kind : kind + " " + size;
    }
    return listed;
}

std::map<std::string, std::string> TreeKinds(const std::string& root) {
    std::map<std::string, std::string> kinds;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        const std::string path = "/" + std::filesystem::relative(item.path(), root).string();
        if (item.is_symlink()) {
            continue;
        }
        if (item.is_directory()) {
            kinds[path] = "folder";
        } else if (item.is_regular_file()) {
            kinds[path] = "file " + std::to_string(item.file_size());
        }
    }
    return kinds;
}

std::vector<std::string> TreeDifferences(const std::string& expected, const std::string& actual) {
    std::vector<std::string> differences;
    const std::set<std::string> want = RelativePaths(expected);
    const std::set<std::string> have = RelativePaths(actual);
    for (const std::string& path : want) {
        if (!have.count(path)) {
            differences.push_back("missing: " + path);
        }
    }
    for (const std::string& path : have) {
        if (!want.count(path)) {
            differences.push_back("extra: " + path);
        }
    }
    for (const std::string& path : want) {
        if (!have.count(path)) {
            continue;
        }
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

namespace {

// The places of the 13 UTF-16 units in one long-name entry.
constexpr std::size_t kLongNameSlots[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
constexpr std::size_t kDirEntry = 32;

char16_t Unit(const std::uint8_t* at) {
    return char16_t(at[0] | at[1] << 8);
}
void PutUnit(std::uint8_t* at, char16_t unit) {
    at[0] = std::uint8_t(unit);
    at[1] = std::uint8_t(unit >> 8);
}

// The name a run of `count` long-name entries starting at `run` spells (the last part
// comes first on disk).
std::u16string LongName(const std::uint8_t* run, std::size_t count) {
    std::u16string name;
    for (std::size_t part = 1; part <= count; ++part) {
        const std::uint8_t* entry = run + (count - part) * kDirEntry;
        for (std::size_t slot : kLongNameSlots) {
            const char16_t unit = Unit(entry + slot);
            if (unit == 0) {
                return name;
            }
            name += unit;
        }
    }
    return name;
}

} // namespace

bool RenameFatLongName(std::vector<std::uint8_t>& image, std::u16string_view from,
                       std::u16string_view to) {
    bool renamed = false;
    for (std::size_t at = 0; at + kDirEntry <= image.size(); at += kDirEntry) {
        const std::uint8_t* first = &image[at];
        const std::size_t count = first[0] & 0x1F;
        if (first[11] != 0x0F || (first[0] & 0x40) == 0 || first[0] == 0xE5 || count == 0 ||
            at + (count + 1) * kDirEntry > image.size() || LongName(first, count) != from ||
            to.size() > count * std::size(kLongNameSlots)) {
            continue;
        }
        for (std::size_t part = 1; part <= count; ++part) {
            std::uint8_t* entry = &image[at + (count - part) * kDirEntry];
            for (std::size_t i = 0; i < std::size(kLongNameSlots); ++i) {
                const std::size_t index = (part - 1) * std::size(kLongNameSlots) + i;
                const char16_t unit = index < to.size()    ? to[index]
                                      : index == to.size() ? char16_t(0)
                                                           : char16_t(0xFFFF);
                PutUnit(entry + kLongNameSlots[i], unit);
            }
        }
        renamed = true;
    }
    return renamed;
}

bool RenameNtfsName(std::vector<std::uint8_t>& image, std::u16string_view from,
                    std::u16string_view to) {
    if (from.empty() || to.size() > from.size()) {
        return false;
    }
    bool renamed = false;
    const std::size_t bytes = from.size() * 2;
    for (std::size_t at = 2; at + bytes <= image.size(); ++at) {
        // A file name structure: length in units, namespace (0 to 3), then the name.
        if (image[at - 2] != from.size() || image[at - 1] > 3) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; same && i < from.size(); ++i) {
            same = Unit(&image[at + 2 * i]) == from[i];
        }
        if (!same) {
            continue;
        }
        image[at - 2] = std::uint8_t(to.size());
        for (std::size_t i = 0; i < from.size(); ++i) {
            PutUnit(&image[at + 2 * i], i < to.size() ? to[i] : char16_t(0));
        }
        renamed = true;
    }
    return renamed;
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::vector<std::string> PathsOutside(const std::string& root, const std::string& inside) {
    std::vector<std::string> outside;
    const fs::path kept = fs::path(inside).lexically_normal();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path relative = fs::relative(entry.path(), kept);
        const bool within = !relative.empty() && *relative.begin() != "..";
        const bool ancestor = fs::relative(kept, entry.path()).begin()->string() != "..";
        if (!within && !ancestor) {
            outside.push_back(fs::relative(entry.path(), root).string());
        }
    }
    return outside;
}

CliOutcome RunCli(const std::string& arguments, bool withErrors, int timeLimit) {
    CliOutcome run;
    const std::string limit = timeLimit > 0 ? "timeout " + std::to_string(timeLimit) + " " : "";
    const std::string command = limit + fixtures::BinDir() + "/drovik-cli " + arguments +
                                " </dev/null" + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        run.output.append(chunk, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
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
    if (!root) {
        return objects;
    }
    reader->EnumFolder(*root, [&](cFSObject& entry) {
        const bool live = entry.Kind() == fskind::kFolder || entry.Kind() == fskind::kFile;
        if (live && entry.name != u"." && entry.name != u"..") {
            objects.push_back(entry.Clone());
        }
        return true;
    });
    return objects;
}

std::unique_ptr<MountedFat> MountFat(const std::string& image, bool fat32) {
    auto mounted = std::make_unique<MountedFat>();
    auto bytes = ReadFileBytes(image);
    EXPECT_FALSE(bytes.empty()) << image;
    if (bytes.empty()) {
        return nullptr;
    }
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

std::string ImageTestName(const std::string& image) {
    std::string name = image;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

} // namespace apptest
