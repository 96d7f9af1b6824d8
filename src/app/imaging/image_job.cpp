#include "app/imaging/image_job.h"

#include "platform/local_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace imaging {
namespace {

// A map holds a line per range; far more than a drive's worth of them is not a map.
constexpr std::size_t kMaxMapBytes = std::size_t(256) << 20;

std::string SystemReason() {
    return std::strerror(errno);
}

} // namespace

std::string DefaultMapPath(const std::string& imagePath) {
    return imagePath + ".map";
}

std::optional<eFormat> FormatNamed(std::string_view name) {
    if (name == "raw") {
        return eFormat::kRaw;
    }
    if (name == "sparse") {
        return eFormat::kSparse;
    }
    if (name == "vmdk") {
        return eFormat::kVmdk;
    }
    return std::nullopt;
}

std::optional<cImageMap> LoadMapFile(const std::string& path, std::string& error) {
    error.clear();
    const platform::LocalPathKind kind = platform::ProbeLocalPath(path);
    if (kind == platform::LocalPathKind::Missing) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (kind != platform::LocalPathKind::RegularFile || !in) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::string text;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        text.append(piece, std::size_t(in.gcount()));
        if (text.size() > kMaxMapBytes) {
            error = path + ": too large for a map";
            return std::nullopt;
        }
    }
    std::string why;
    std::optional<cImageMap> map = cImageMap::Parse(text, &why);
    if (!map) {
        error = path + ": " + why;
    }
    return map;
}

bool SaveMapFile(const cImageMap& map, const std::string& path) {
    const std::string temporary = path + ".new";
    platform::StorageFile file;
    const std::string text = map.Format();
    return file.Create(temporary, platform::StorageFile::Accept::PlainFileOnly) &&
           file.WriteAt(text.data(), text.size(), 0) == text.size() && file.Sync() &&
           platform::ReplaceLocalFile(temporary, path);
}

std::optional<cImageJob> PrepareImageJob(std::uint64_t sectors, const std::string& imagePath,
                                         const std::string& mapPath, eFormat format,
                                         std::string& error) {
    cImageJob job;
    std::optional<cImageMap> map = LoadMapFile(mapPath, error);
    if (!error.empty()) {
        return std::nullopt;
    }
    if (map) {
        if (map->Sectors() != sectors) {
            error = mapPath + " describes " + std::to_string(map->Sectors()) +
                    " sectors, the source has " + std::to_string(sectors);
            return std::nullopt;
        }
        job.map = std::move(*map);
        job.resumed = true;
        job.target = cImageTarget::Resume(imagePath, sectors, format);
        if (!job.target) {
            error = "cannot resume into " + imagePath + " (missing, not of the format asked, " +
                    "or not " + std::to_string(sectors) + " sectors long)";
            return std::nullopt;
        }
        return job;
    }
    job.map = cImageMap(sectors);
    job.target = cImageTarget::Create(imagePath, sectors, format);
    if (!job.target) {
        error = "cannot create " + imagePath + ": " + SystemReason();
        return std::nullopt;
    }
    return job;
}

} // namespace imaging
