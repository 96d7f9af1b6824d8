#include "base/settings.h"
#include "base/utf.h"
#include "support/fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <zlib.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

Bytes Record(std::int32_t key, const Bytes& value) {
    return Le32(std::uint32_t(key)) + Le32(std::uint32_t(value.size())) + value;
}

Bytes Header(std::uint32_t areaLength) {
    return Bytes{'Q', 'N', 'C', 'F'} + Le32(areaLength);
}

// What an independent zlib call makes of the area at level 5: the program's writer must
// produce exactly these bytes.
Bytes Compressed(const Bytes& area) {
    uLongf size = compressBound(uLong(area.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, area.data(), uLong(area.size()), 5), Z_OK);
    out.resize(size);
    return out;
}

Bytes SettingsFile(const Bytes& area) {
    return Header(std::uint32_t(area.size())) + Compressed(area);
}

Bytes Value(cSettingsStore& store, std::int32_t key) {
    const auto value = store.Get(key);
    return value ? Bytes(value->begin(), value->end()) : Bytes{};
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { path_ = fixtures::ScratchDir() + "/config.hbin"; }
    std::u16string Path() const { return utf::FromUtf8(path_); }
    std::string path_;
};

TEST_F(SettingsTest, EmptyFileThenOneSetGivesOneRecord) {
    WriteFile(path_, Header(0));
    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path()));
    EXPECT_FALSE(store.Get(7));
    EXPECT_EQ(ReadFile(path_), Header(0));

    ASSERT_TRUE(store.Set(7, Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(ReadFile(path_), SettingsFile(Record(7, {'a', 'b', 'c'})));
    EXPECT_EQ(Value(store, 7), (Bytes{'a', 'b', 'c'}));
}

TEST_F(SettingsTest, RecordsAreWrittenInSignedKeyOrder) {
    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path())); // missing: made anew
    ASSERT_TRUE(store.Set(7, Bytes{1}));
    ASSERT_TRUE(store.Set(-5, Bytes{}));
    ASSERT_TRUE(store.Set(0, Bytes{2, 3}));
    EXPECT_EQ(ReadFile(path_), SettingsFile(Record(-5, {}) + Record(0, {2, 3}) + Record(7, {1})));
}

TEST_F(SettingsTest, SettingTheSameValueDoesNotTouchTheFile) {
    const Bytes original = SettingsFile(Record(2, {'x', 0}) + Record(5, {'1', 0}));
    WriteFile(path_, original);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path_, old);

    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path()));
    EXPECT_TRUE(store.Set(5, Bytes{'1', 0}));
    EXPECT_TRUE(store.Set(2, Bytes{'x', 0}));
    EXPECT_EQ(fs::last_write_time(path_), old);
    EXPECT_EQ(ReadFile(path_), original);

    // Same bytes, different length, is a change.
    EXPECT_TRUE(store.Set(5, Bytes{'1'}));
    EXPECT_NE(fs::last_write_time(path_), old);
}

TEST_F(SettingsTest, FileRoundTripsThroughLoadAndSave) {
    // The large value makes the reader grow its output several times.
    Bytes large(150000);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = std::uint8_t(i * i % 251);
    }
    const Bytes area = Record(-1, {9, 9, 9}) + Record(2, large) + Record(17, {'d', 0, 0, 0});
    const Bytes original = SettingsFile(area);
    WriteFile(path_, original);
    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path()));
    EXPECT_EQ(Value(store, 2), large);
    // Change one value and put it back: the file is the same again (the writer does not
    // truncate, so compare the part the header accounts for and what follows it).
    ASSERT_TRUE(store.Set(17, Bytes{'e', 0, 0, 0}));
    ASSERT_TRUE(store.Set(17, Bytes{'d', 0, 0, 0}));
    const Bytes now = ReadFile(path_);
    ASSERT_GE(now.size(), original.size());
    EXPECT_EQ(Bytes(now.begin(), now.begin() + std::ptrdiff_t(original.size())), original);
}

TEST_F(SettingsTest, BytesAfterTheStreamAreIgnored) {
    WriteFile(path_, SettingsFile(Record(3, {'v'})) + Bytes{'g', 'a', 'r', 'b', 'a', 'g', 'e'});
    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path()));
    EXPECT_EQ(Value(store, 3), Bytes{'v'});
}

TEST_F(SettingsTest, ForeignOrShortFileIsEmptiedToTheBareHeader) {
    for (const Bytes& content : {Bytes{'Q', 'N', 'C', 'G', 0, 0, 0, 0, 1, 2, 3},
                                 Bytes{'Q', 'N', 'C', 'F', 0, 0, 0}, Bytes{}}) {
        WriteFile(path_, content);
        cSettingsStore store;
        EXPECT_TRUE(store.Load(Path()));
        EXPECT_EQ(ReadFile(path_), Header(0));
        EXPECT_TRUE(store.Set(1, Bytes{1}));
    }
}

TEST_F(SettingsTest, DamagedContentFailsTheLoadAndKeepsEarlierRecords) {
    const Bytes first = Record(1, {'a'});
    const Bytes second = Record(2, {'b'});
    Bytes corrupt = SettingsFile(first);
    corrupt[10] ^= 0xFF; // inside the deflate data

    struct Case {
        const char* what;
        Bytes file;
        bool keepsFirstTwo;
    };
    const Case cases[] = {
        {"duplicate key", SettingsFile(first + second + Record(2, {'c'}) + Record(3, {'d'})), true},
        {"value longer than the area", SettingsFile(first + second + Le32(3) + Le32(5) + Bytes{1}),
         true},
        {"record head cut short", SettingsFile(first + second + Bytes{3, 0, 0}), true},
        {"corrupt stream", corrupt, false},
        {"stream ends early", Header(200) + Compressed(first), false},
        {"stream runs longer than declared", Header(4) + Compressed(first), false},
        {"stream cut off",
         [&] {
             Bytes file = SettingsFile(first + second);
             file.resize(file.size() - 5);
             return file;
         }(),
         false},
        // A forged length must not be allocated: the reader inflates what is there.
        {"declared length 4 GiB", Header(0xFFFFFFFFu) + Compressed(first), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path_, c.file);
        cSettingsStore store;
        EXPECT_FALSE(store.Load(Path()));
        EXPECT_EQ(store.Get(1).has_value(), c.keepsFirstTwo);
        EXPECT_EQ(Value(store, 2), c.keepsFirstTwo ? Bytes{'b'} : Bytes{});
        EXPECT_FALSE(store.Get(3));
        // The damaged file is neither rewritten nor emptied, and later sets are refused.
        EXPECT_FALSE(store.Set(9, Bytes{1}));
        EXPECT_EQ(ReadFile(path_), c.file);
    }
}

TEST_F(SettingsTest, OnlyPlainFilesAreOpened) {
    // A link planted in place of the settings file (to a disk, say) must not be followed
    // and written through, not even to put the header there.
    const std::string target = fs::path(path_).parent_path() / "target";
    const Bytes foreign{'n', 'o', 't', ' ', 'o', 'u', 'r', 's'};
    WriteFile(target, foreign);
    fs::create_symlink(target, path_);
    cSettingsStore store;
    EXPECT_FALSE(store.Load(Path()));
    EXPECT_EQ(ReadFile(target), foreign);
    fs::remove(path_);
    fs::create_directory(path_);
    EXPECT_FALSE(store.Load(Path()));
    EXPECT_FALSE(store.IsOpen());
}

TEST_F(SettingsTest, TextValuesCarryTheirTerminatorWhenAsked) {
    cSettingsStore store;
    ASSERT_TRUE(store.Load(Path()));
    ASSERT_TRUE(store.SetText(kSettingLastCopyFolder, u"/mnt/ф", true));
    EXPECT_EQ(Value(store, kSettingLastCopyFolder),
              (Bytes{'/', 0, 'm', 0, 'n', 0, 't', 0, '/', 0, 0x44, 0x04, 0, 0}));
    EXPECT_EQ(store.GetText(kSettingLastCopyFolder), u"/mnt/ф");
}

TEST(SettingsStoreTest, WithoutAFileNothingIsStored) {
    cSettingsStore store;
    EXPECT_FALSE(store.Set(1, Bytes{1}));
    EXPECT_FALSE(store.Get(1));
    EXPECT_FALSE(store.Load(u"/nonexistent-folder/config.hbin"));
    EXPECT_FALSE(store.Set(1, Bytes{1}));
}

class HomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        savedHome_ = home ? std::optional<std::string>(home) : std::nullopt;
    }
    void TearDown() override {
        Settings().Close();
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }
    std::optional<std::string> savedHome_;
};

TEST_F(HomeTest, StartMarkIsWrittenIntoTheSettingsFolder) {
    const std::string home = fixtures::ScratchDir();
    setenv("HOME", home.c_str(), 1);
    ASSERT_TRUE(OpenSettings());
    EXPECT_EQ(fs::status(home + "/.drovik").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(home + "/.drovik/config.hbin"),
              SettingsFile(Record(kSettingStartMark, {'1', 0})));
    // A second start finds the folder and the file.
    ASSERT_TRUE(OpenSettings());
    EXPECT_EQ(Value(Settings(), kSettingStartMark), (Bytes{'1', 0}));
}

TEST_F(HomeTest, UnusableHomeLeavesSettingsClosed) {
    const std::string scratch = fixtures::ScratchDir();
    WriteFile(scratch + "/plain-file", {1});
    for (const std::string& home : {scratch + "/missing", scratch + "/plain-file"}) {
        setenv("HOME", home.c_str(), 1);
        EXPECT_FALSE(OpenSettings());
        EXPECT_FALSE(Settings().Set(1, Bytes{1}));
    }
    EXPECT_FALSE(fs::exists(scratch + "/missing"));
}

} // namespace
