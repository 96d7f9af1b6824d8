#pragma once
// Wires the engine's layers together. Lower layers take what they need from above as
// arguments (the storage list a partition-tree builder, the tree a file-system detector),
// so that dependencies keep pointing one way; this is where the upper layers are handed
// down. A storage list made here is complete from its first entry.

#include "io/storage_list.h"
#include "io/storage_tree.h"

// The tree every storage of the program gets: its partition maps, then the file systems
// of its leaf partitions.
cStorageTreeBuilder EngineTreeBuilder();

// The process-wide list of the application's storages, made with EngineTreeBuilder. The
// application empties it before it ends, so that no tree or reader is left for static
// destruction, whose order between modules is not defined.
cStorageList& StorageList();
