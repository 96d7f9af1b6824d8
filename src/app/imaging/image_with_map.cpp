#include "app/imaging/image_with_map.h"

#include "app/imaging/image_job.h"
#include "io/storage_list.h"

namespace imaging {

cImageWithMap AddImageWithMap(cStorageList& list, const std::u16string& imagePath,
                              const std::string& mapPath) {
    cImageWithMap opened;
    opened.map = LoadMapFile(mapPath, opened.mapError);
    if (!opened.map) {
        opened.reader = list.AddImageFile(imagePath);
        return opened;
    }
    opened.reader = list.AddImageFile(imagePath, opened.map->NotRescued());
    // The map's size is only known to fit once the image (perhaps a container whose
    // disk is larger than its file) is open.
    if (opened.reader && opened.reader->GetSectorCount() != opened.map->Sectors()) {
        opened.mapError = mapPath + " describes " + std::to_string(opened.map->Sectors()) +
                          " sectors, the image has " +
                          std::to_string(opened.reader->GetSectorCount());
        opened.map.reset();
        list.Remove(opened.reader);
        opened.reader = list.AddImageFile(imagePath);
    }
    return opened;
}

} // namespace imaging
