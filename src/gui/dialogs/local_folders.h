#pragma once
// The computer's own folders as the file and folder choosers see them. The GUI library
// calls no OS service itself: the program hands its choosers an implementation over the
// platform layer (app/local_folders.h). Paths are the choosers' own: UTF-16 and
// '/'-separated. List is called on a listing worker, the rest on the window thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class cLocalFolders {
public:
    struct cEntry {
        std::u16string name; // a full path for the roots
        bool isFolder = false;
        std::uint64_t size = 0;
        std::int64_t modified = 0; // seconds since 1970, UTC
    };

    virtual ~cLocalFolders() = default;
    virtual std::optional<std::u16string> HomeFolder() const = 0;
    virtual bool IsFolder(const std::u16string& path) const = 0;
    // Whether anything at all stands at the path (a link that leads nowhere included).
    virtual bool Exists(const std::u16string& path) const = 0;
    // The entries of a folder; none when it cannot be read.
    virtual std::optional<std::vector<cEntry>> List(const std::u16string& path) const = 0;
    // Creates one folder; an existing folder counts as created.
    virtual bool CreateFolder(const std::u16string& path) const = 0;
};
