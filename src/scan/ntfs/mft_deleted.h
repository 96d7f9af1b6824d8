#pragma once
// The deleted files of a volume the NTFS reader mounts, found in seconds: only the
// records of the MFT's own runs are read, not the whole partition.

#include "base/progress.h"
#include "scan/vstorage.h"

class cVNTFS;

// Fills deleted (an empty tree) with the records of the MFT that are no longer in use,
// each under the folder path its parent references still give. False when the MFT's runs
// cannot be read or the progress target stopped it.
bool FindDeletedInMft(cVNTFS& fs, cQORNVStorage& deleted, cProgressNotifyTarget* progress);
