#pragma once
// An image made by imaging opens with the sectors its map says were not rescued failing as
// they did on the drive, so that scans report them lost instead of taking their zeros for
// data. Both the window and the command line open images this way.

#include "app/imaging/image_map.h"

#include <optional>
#include <string>

class cBaseIO;
class cStorageList;

namespace imaging {

struct cImageWithMap {
    // Nothing when the image itself cannot be opened.
    cBaseIO* reader = nullptr;
    // The map the image was opened with, when one was.
    std::optional<cImageMap> map;
    // Why the map at mapPath was left out: it cannot be read, is not a map, or describes
    // another number of sectors than the image holds. Empty when there is no map.
    std::string mapError;
};

// Adds the image at imagePath to list, read through the map at mapPath when one is there
// and fits the image; an image whose map is unusable opens as plainly as one without.
cImageWithMap AddImageWithMap(cStorageList& list, const std::u16string& imagePath,
                              const std::string& mapPath);

} // namespace imaging
