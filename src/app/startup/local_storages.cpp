#include "app/startup/local_storages.h"

#include "io/storage_list.h"

void EnumerateLocalStorages(cStorageList& list) {
    list.EnumeratePhysicalDrives();
    list.EnumerateFloppyDrives();
    list.EnumerateCdDrives();
}
