#pragma once
// What an imaging run knows of each sector of its source: not read yet, passed over after
// a failure nearby, failed in a large read, unreadable after every retry, or copied. The
// map is saved as plain text beside the image, one range per line, so that an
// interrupted run resumes where it stopped and a person can read what was lost:
//
//   # drovik image map
//   sectors 2097152
//   0 2048 good
//   2048 8 bad
//   2056 2095096 untried

#include "io/unreadable_io.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imaging {

enum class eState : std::uint8_t { kUntried, kSkipped, kFailing, kBad, kGood };

std::string_view StateName(eState state);

struct cMapRange {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    eState state = eState::kUntried;

    std::uint64_t End() const { return first + count; }
    bool operator==(const cMapRange&) const = default;
};

class cImageMap {
public:
    // A source of sectors sectors, none of them tried.
    explicit cImageMap(std::uint64_t sectors = 0);

    // Gives [first, first + count) the state, cut to the source; neighbours of the same
    // state merge, so the ranges stay sorted, touching and as few as possible.
    void Set(std::uint64_t first, std::uint64_t count, eState state);

    std::uint64_t Sectors() const { return sectors_; }
    const std::vector<cMapRange>& Ranges() const { return ranges_; }
    // Sectors in the state.
    std::uint64_t Count(eState state) const;
    // The first range in the state that ends after sector, or nothing.
    std::optional<cMapRange> Next(eState state, std::uint64_t sector) const;

    // The runs not rescued (in any state but good), which read as zeros in the image.
    std::vector<cSectorRun> NotRescued() const;

    std::string Format() const;
    // A map as Format writes it. Nothing when a line is not "first count state", the
    // ranges do not follow each other from sector 0 to exactly the stated size, or a
    // number overflows; error then says which line.
    static std::optional<cImageMap> Parse(std::string_view text, std::string* error = nullptr);

private:
    std::uint64_t sectors_;
    std::vector<cMapRange> ranges_;
};

} // namespace imaging
