#pragma once
// What the command line and the imaging window share around a run: the map file beside
// the image (read to resume, replaced whole at each save) and the image it describes,
// new or left by an earlier run.

#include "app/imaging/image_map.h"
#include "app/imaging/image_target.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace imaging {

// The image's map file unless the user names another.
std::string DefaultMapPath(const std::string& imagePath);

// "raw", "sparse" or "vmdk".
std::optional<eFormat> FormatNamed(std::string_view name);

// The map at path; nothing when no file is there (error left empty) or, with error saying
// why, when it cannot be read or is not a map.
std::optional<cImageMap> LoadMapFile(const std::string& path, std::string& error);

// Replaces the map file in one step, so that a run stopped at any moment leaves the old
// map or the new one whole.
bool SaveMapFile(const cImageMap& map, const std::string& path);

struct cImageJob {
    cImageMap map;
    std::unique_ptr<cImageTarget> target;
    bool resumed = false;
};

// The map and image for imaging a source of sectors sectors into imagePath: the run goes
// on from the map at mapPath and the image beside it when the map exists, else both
// start anew. Nothing, with error saying why, when the map does not fit the source or
// the image cannot be made or taken up.
std::optional<cImageJob> PrepareImageJob(std::uint64_t sectors, const std::string& imagePath,
                                         const std::string& mapPath, eFormat format,
                                         std::string& error);

} // namespace imaging
