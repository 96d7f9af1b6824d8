#include "app/recovery_flow/rules_files.h"

#include "base/program_paths.h"
#include "base/utf.h"

#include <algorithm>
#include <fstream>
#include <optional>

namespace rulesfiles {

namespace {

std::optional<std::vector<std::uint8_t>> ReadWhole(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::vector<std::filesystem::path> In(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && entry.path().extension() == ".urrs") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::filesystem::path> Resolve(const std::vector<std::string>& named) {
    if (named.empty()) {
        return In(utf::ToUtf8(ProgramDataFolder()));
    }
    std::vector<std::filesystem::path> files;
    for (const std::string& name : named) {
        std::error_code error;
        if (std::filesystem::is_directory(name, error)) {
            const auto inFolder = In(name);
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else {
            files.emplace_back(name);
        }
    }
    return files;
}

bool Load(const std::vector<std::filesystem::path>& files, cSigList& rules,
          const cProblemReport& report) {
    bool allRead = true;
    for (const auto& file : files) {
        const auto bytes = ReadWhole(file);
        if (!bytes) {
            report({file, true, {}});
            allRead = false;
            continue;
        }
        const urrs::cLoadResult loaded = urrs::Load(*bytes, rules);
        if (loaded.code != urrs::kLoaded) {
            report({file, false, loaded});
        }
    }
    return allRead;
}

} // namespace rulesfiles
