#include "loop_device.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace fixtures {
namespace {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// The first line a command prints, without its newline; empty when it fails.
std::string FirstLine(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return {};
    }
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = ::pclose(pipe);
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return status == 0 ? text : std::string();
}

} // namespace

LoopDevice::LoopDevice(const std::string& image, unsigned sectorSize) {
    path_ = FirstLine("losetup -f --show -r --sector-size " + std::to_string(sectorSize) + " " +
                      Quote(image));
    if (path_.rfind("/dev/loop", 0) != 0) {
        ADD_FAILURE() << "losetup could not attach " << image << " (sector size " << sectorSize
                      << ")";
        path_.clear();
    }
}

LoopDevice::~LoopDevice() {
    if (!path_.empty() && std::system(("losetup -d " + Quote(path_)).c_str()) != 0) {
        ADD_FAILURE() << "losetup could not detach " << path_;
    }
}

} // namespace fixtures
