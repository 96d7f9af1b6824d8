#pragma once
// Shared by the copy tests: the program's texts loaded once, folder trees compared file
// by file, and a FAT image from the fixtures mounted over memory.

#include "io/base_io.h"
#include "part/part_tree.h"
#include "vfs/fat/vfat.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// Registers the built-in language packs into the program's registry (once per process).
void LoadTexts();

// Every difference between two folder trees (missing or extra paths, a kind or size that
// differs, the first differing byte), one line each; empty when they are identical.
std::vector<std::string> TreeDifferences(const std::string& expected, const std::string& actual);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
// The same bytes as a string, for comparing with text.
std::string ReadFileText(const std::string& path);

struct CliOutcome {
    int status = -1;
    std::string output; // stdout, and stderr when asked for
};
// Runs drovik-cli with the arguments (a shell-quoted string) and stdin from /dev/null;
// with a time limit, a run still going after that many seconds is ended (status 124).
CliOutcome RunCli(const std::string& arguments, bool withErrors = true, int timeLimit = 0);
// The text in single quotes for the shell.
std::string Quoted(const std::string& text);

// What `ls -r` printed, path by path: "folder", or "file" and the size. Folders go by kind
// only, their size being that of their blocks.
std::map<std::string, std::string> ListedKinds(const std::string& lsOutput);
// The same for a folder of this machine: folders and regular files, links left out.
std::map<std::string, std::string> TreeKinds(const std::string& root);
// A test name made of an image's file name.
std::string ImageTestName(const std::string& image);

// Crafted names no tool writes, made in a copy of a real image: every long-name entry run
// (FAT) or file name (NTFS, in its MFT record and its folder's index) that reads `from` is
// rewritten to read `to`, which may be no longer. False when no name was found.
bool RenameFatLongName(std::vector<std::uint8_t>& image, std::u16string_view from,
                       std::u16string_view to);
bool RenameNtfsName(std::vector<std::uint8_t>& image, std::u16string_view from,
                    std::u16string_view to);
// Writes bytes to a new file at path; false on failure.
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Every path below root that is not inside (or is not) root/inside, relative to root.
std::vector<std::string> PathsOutside(const std::string& root, const std::string& inside);

// A FAT image read into memory with its reader mounted on a whole-storage record.
struct MountedFat {
    std::unique_ptr<cBaseIO> storage;
    cPartRecord record;
    std::unique_ptr<cVFATBase> reader;

    // A clone of the entry at the path ("/" is the root); fails the test when missing.
    std::unique_ptr<cFSObject> Entry(const std::u16string& path);
    // The root folder's live folders and files.
    std::vector<std::unique_ptr<cFSObject>> RootObjects();
};

// Mounts image (FAT32 when fat32 is set, else FAT12/16); null with a test failure when the
// image cannot be read or mounted.
std::unique_ptr<MountedFat> MountFat(const std::string& image, bool fat32);

} // namespace apptest
