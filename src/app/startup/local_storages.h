#pragma once
// Finding the machine's storages: what start-up and a rescan of the storage list do.

class cStorageList;

// Empties the list (opened images and defined partitions go too) and adds every local
// drive that can be read: the physical drives, then floppy and CD/DVD drives.
void EnumerateLocalStorages(cStorageList& list);
