#pragma once
// Copies a failing storage to an image, getting the most out of it while reading each bad
// area as little as possible:
//   1. forward in large blocks; at a read that stops short, what came before is kept,
//      the cached page where it stopped is marked failing and the rest of the block is
//      passed over, further each time failures follow each other;
//   2. back over the passed-over areas in small reads, again keeping what reads and
//      marking where a read stops;
//   3. sector by sector (past the system's cache) over what is marked failing: what
//      reads is kept, the rest is bad;
//   4. the bad sectors again, as many times as the retry count says.
// Every state change lands in the map; the map is saved after the data it describes is
// on the medium, so a run stopped at any moment resumes from its map.

#include "app/imaging/image_map.h"
#include "app/imaging/image_target.h"

#include <cstdint>
#include <functional>

class cBaseIO;

namespace imaging {

struct cOptions {
    std::uint32_t blockSectors = 2048; // forward reads: 1 MiB
    std::uint32_t returnSectors = 128; // reads over passed-over areas: 64 KiB
    std::uint32_t retries = 1;
    // How often the map is saved and progress told, in milliseconds.
    std::uint64_t saveEveryMs = 1000;
};

struct cProgress {
    int pass = 1; // 1 to 4, as above
    std::uint64_t rescuedBytes = 0;
    std::uint64_t badBytes = 0;
    std::uint64_t leftBytes = 0; // not read yet, passed over or failing
    std::uint64_t bytesPerSecond = 0;
    std::uint64_t secondsLeft = 0; // at the current rate; 0 when unknown
};

// Called with the map after the image was synced; no stops the run.
using SaveMap = std::function<bool(const cImageMap& map)>;
// No stops the run, after the map has been saved.
using Progress = std::function<bool(const cProgress& progress)>;

class cImager {
public:
    // The map must have the source's sector count.
    cImager(cBaseIO& source, cImageTarget& target, cImageMap& map, cOptions options);

    // Runs the passes the map still needs. Yes when they all ran to the end (bad sectors
    // may remain); no when writing or saving failed or a callback asked to stop.
    bool Run(const SaveMap& save, const Progress& progress);

private:
    // Reads and keeps [first, first + count): the sectors read are written and marked
    // good; answers how many were.
    std::uint32_t ReadInto(std::uint64_t first, std::uint32_t count);
    bool Forward();
    bool Return();
    bool SectorBySector(eState from);
    // Marks the page at sector failing (or what is left of the range) and answers where
    // the range goes on after it.
    std::uint64_t MarkFailing(std::uint64_t sector, std::uint64_t end);
    // Saves and reports when the time has come, or always when forced.
    bool Checkpoint(bool force);

    cBaseIO& source_;
    cImageTarget& target_;
    cImageMap& map_;
    cOptions options_;
    const SaveMap* save_ = nullptr;
    const Progress* progress_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    int pass_ = 1;
    bool failed_ = false;
    std::uint64_t startMs_ = 0;
    std::uint64_t lastSaveMs_ = 0;
    std::uint64_t rescuedAtStart_ = 0;
};

} // namespace imaging
