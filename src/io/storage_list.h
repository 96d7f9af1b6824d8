#pragma once
// The storages the user works with: the machine's physical drives, found at start-up and
// on every refresh, and the image files opened one at a time. Each entry owns its reader
// and the partition tree built over it; the tree goes first when an entry is destroyed,
// since it points into the reader.
//
// The list has no lock: it is filled by the start-up or refresh job and otherwise used
// from one thread at a time.

#include "io/base_io.h"
#include "io/device_access.h"
#include "io/storage_tree.h"
#include "io/unreadable_io.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cQORNDriveInstance {
public:
    explicit cQORNDriveInstance(std::unique_ptr<cBaseIO> reader);
    cQORNDriveInstance(const cQORNDriveInstance&) = delete;
    cQORNDriveInstance& operator=(const cQORNDriveInstance&) = delete;
    virtual ~cQORNDriveInstance();

    // Yes when the entry's reader is that very object.
    virtual bool Holds(const cBaseIO* reader) const { return reader && reader == reader_.get(); }
    // 1 for a drive, 2 for an image file.
    virtual std::uint32_t EntryKind() const { return 1; }

    cBaseIO& Reader() const { return *reader_; }
    // Null when the list has no tree builder or it built nothing.
    cStorageTree* Tree() const { return tree_.get(); }
    void SetTree(std::unique_ptr<cStorageTree> tree) { tree_ = std::move(tree); }

private:
    std::unique_ptr<cBaseIO> reader_;
    std::unique_ptr<cStorageTree> tree_;
};

// An opened image file: a raw image or a container format.
class cQORNDriveImageInstance final : public cQORNDriveInstance {
public:
    using cQORNDriveInstance::cQORNDriveInstance;
    std::uint32_t EntryKind() const override { return 2; }
};

class cStorageList {
public:
    // Every entry added gets the tree buildTree makes of its reader.
    explicit cStorageList(cStorageTreeBuilder buildTree,
                          cDeviceProvider& devices = SystemDevices());
    cStorageList(const cStorageList&) = delete;
    cStorageList& operator=(const cStorageList&) = delete;
    ~cStorageList();

    // Empties the list (image files included) and adds every physical drive that opens
    // read-only, reports a size and gives its first bytes. A drive that fails is left out
    // and the walk goes on with the next number.
    void EnumeratePhysicalDrives();
    // Opens physical drive number N read-only and appends it when it reports a size and
    // gives its first bytes; the new entry's reader, or null.
    cBaseIO* AddPhysicalDrive(std::uint32_t number);
    // Adds the floppy drives A and B, and the CD/DVD drives, that can be read; the list is
    // not emptied first.
    void EnumerateFloppyDrives();
    void EnumerateCdDrives();
    // Opens an image file read-only (as a container when a format claims it, else as a
    // raw image) and appends it; the new entry's reader, or null when it cannot be opened.
    // The unreadable runs (sorted and apart), those its maker could not rescue, fail to
    // read as they did on the drive it was made of.
    cBaseIO* AddImageFile(const std::u16string& path, std::vector<cSectorRun> unreadable = {});
    // The tree of the entry holding the reader; null when none holds it or it has none.
    cStorageTree* FindTree(const cBaseIO* reader) const;
    // Destroys the entry holding the reader, tree and reader; no when none holds it.
    bool Remove(const cBaseIO* reader);
    // Destroys every entry and clears the changed flag.
    void Clear();

    const std::vector<std::unique_ptr<cQORNDriveInstance>>& Entries() const { return entries_; }

    // Set by the application when the user defines or deletes partitions or opens or
    // closes storages.
    bool IsChanged() const { return changed_; }
    void SetChanged(bool changed) { changed_ = changed; }

private:
    // Appends the entry and builds its tree; the entry's reader.
    cBaseIO* Append(std::unique_ptr<cQORNDriveInstance> entry);

    cStorageTreeBuilder buildTree_;
    cDeviceProvider& devices_;
    std::vector<std::unique_ptr<cQORNDriveInstance>> entries_;
    bool changed_ = false;
};
