#include "app/engine.h"

#include "io/storage_tree.h"
#include "part/storage_tree_builder.h"
#include "vfs/detect.h"

void InitialiseEngine() {
    SetStorageTreeBuilder(&BuildStorageTree);
    PublishVFSDetection();
}
