#pragma once
// Mounting the fixture FAT images in tests: a reader over the image file (or over a copy
// in memory that a test may damage), a partition record and the reader detection chose.

#include "io/base_io.h"
#include "part/part_tree.h"
#include "vfs/vfs.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fattest {

struct Mounted {
    std::unique_ptr<cBaseIO> storage;
    std::unique_ptr<cPartRecord> record;
    std::unique_ptr<cVFS> fs;
};

// The folder the fixture script made its images and source trees in.
std::string FixtureFolder();

// Opens a fixture image read-only and detects the file system at startSector; fs is
// null when nothing mounted.
Mounted MountImage(const std::string& image, std::uint64_t startSector = 0);
// The same over a storage the test made (a damaged copy in memory, say).
Mounted MountStorage(std::unique_ptr<cBaseIO> storage, std::uint64_t startSector = 0);

std::vector<std::uint8_t> ReadFile(const std::string& path);
// Writes a 12-bit entry into both FATs of the floppy image fat12.img, read into memory
// (9 sectors each, from sector 1).
void SetFloppyFat(std::vector<std::uint8_t>& floppy, std::uint32_t cluster, std::uint16_t value);

struct Listed {
    std::uint32_t kind;
    std::uint64_t size;
    std::uint64_t id;
};
// Every live folder and file below the root, by full path ("/a/b"), "." and ".." left out;
// failed names the folders whose listing did not complete.
std::map<std::string, Listed> WalkTree(cVFS& fs, std::vector<std::string>* failed = nullptr);

// Every folder and file below root on the local disk, as WalkTree would list them.
std::map<std::string, Listed> SourceTree(const std::string& root);
// Fails the calling test for every path missing from listed or of another kind or size,
// and for every listed path the source does not have; image names the volume in messages.
void ExpectSameTree(const std::map<std::string, Listed>& listed,
                    const std::map<std::string, Listed>& expected, const std::string& image);

// One folder's entries, in listing order, as clones; ok tells whether the listing completed.
std::vector<std::unique_ptr<cFSObject>> ListFolder(cVFS& fs, std::uint64_t folderId,
                                                   bool* ok = nullptr);

// Reads an object through its handle up to its size, or with ok false, up to where a
// read came back short.
std::vector<std::uint8_t> ReadObject(cVFS& fs, const cFSObject& entry, bool* ok = nullptr);

} // namespace fattest
