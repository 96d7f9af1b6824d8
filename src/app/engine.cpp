#include "app/engine.h"

#include "part/storage_tree_builder.h"
#include "vfs/detect.h"

cStorageTreeBuilder EngineTreeBuilder() {
    return [](cBaseIO& storage) { return BuildStorageTree(storage, VFSLeafDetector()); };
}

cStorageList& StorageList() {
    static cStorageList list(EngineTreeBuilder());
    return list;
}
