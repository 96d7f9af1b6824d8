#include "fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace fixtures {
namespace {

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string FixtureRoot() {
    return Env("DROVIK_FIXTURE_DIR", "/tmp/drovik-fixtures");
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A short stable hash (FNV-1a) of the script's text names its output folder.
std::string ContentKey(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    return key;
}

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

} // namespace

std::string SourceDir() {
    return Env("DROVIK_SOURCE_DIR", ".");
}
std::string BinDir() {
    return Env("DROVIK_BIN_DIR", "./bin");
}
bool IsRoot() {
    return geteuid() == 0;
}

std::string Folder(const std::string& script) {
    namespace fs = std::filesystem;
    const std::string scriptPath = SourceDir() + "/tests/fixtures/" + script;
    const std::string text = ReadWhole(scriptPath);
    if (text.empty()) {
        ADD_FAILURE() << "fixture script missing or empty: " << scriptPath;
        return {};
    }
    const std::string stem = fs::path(script).stem().string();
    const std::string folder = FixtureRoot() + "/" + stem + "-" + ContentKey(text);
    fs::create_directories(FixtureRoot());

    const std::string lockPath = FixtureRoot() + "/" + stem + ".lock";
    const int lock = ::open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        ADD_FAILURE() << "cannot lock " << lockPath;
        if (lock >= 0) {
            ::close(lock);
        }
        return {};
    }
    std::string result = folder;
    if (!fs::exists(folder + "/.done")) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::string command = "bash " + Quote(scriptPath) + " " + Quote(folder) + " > " +
                                    Quote(folder + ".log") + " 2>&1";
        if (std::system(command.c_str()) != 0) {
            ADD_FAILURE() << "fixture script failed: " << script << "\n"
                          << ReadWhole(folder + ".log");
            result.clear();
        } else {
            std::ofstream(folder + "/.done") << "ok\n";
        }
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return result;
}

std::string Image(const std::string& script, const std::string& name) {
    const std::string folder = Folder(script);
    return folder.empty() ? std::string() : folder + "/" + name;
}

std::string ScratchDir() {
    namespace fs = std::filesystem;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    const std::string folder =
        FixtureRoot() + "/scratch/" + name + "-" + std::to_string(::getpid());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

} // namespace fixtures
