#pragma once
// The file search: a folder's tree walked for objects whose names match a wildcard
// pattern, files by a size condition too, folders when asked for.

#include "vfs/vfs.h"

#include <cstdint>
#include <functional>
#include <string>

struct cSearchParams {
    enum class eSize : std::uint8_t { Any, Equal, Greater, Less };
    std::u16string pattern = u"*";
    eSize sizeCondition = eSize::Any;
    std::uint64_t size = 0;
    bool includeFolders = false;
    bool caseSensitive = false;

    bool Matches(const cFSObject& object) const;
};

enum class eSearchEnd : std::uint8_t { Done, Aborted, TooMany };

// Hands every match below start to hit, with its path from start ("a/b"); a hit that
// refuses it (the list is full) ends the search with TooMany. Every folder is entered,
// matching or not; stop is asked before every object.
eSearchEnd
SearchFiles(cVFS& fs, const cFSObject& start, const cSearchParams& params,
            const std::function<bool(const cFSObject& object, const std::u16string& path)>& hit,
            const std::function<bool()>& stop);
