#include "app/imaging/image_map.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace imaging {
namespace {

constexpr std::array<std::string_view, 5> kStateNames = {"untried", "skipped", "failing", "bad",
                                                         "good"};

std::optional<std::uint64_t> Number(std::string_view word) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// The line's words split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size() && words.size() < 4) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

} // namespace

std::string_view StateName(eState state) {
    return kStateNames[std::size_t(state)];
}

cImageMap::cImageMap(std::uint64_t sectors) : sectors_(sectors) {
    if (sectors > 0) {
        ranges_.push_back({0, sectors, eState::kUntried});
    }
}

void cImageMap::Set(std::uint64_t first, std::uint64_t count, eState state) {
    if (first >= sectors_) {
        return;
    }
    const std::uint64_t end = first + std::min(count, sectors_ - first);
    if (end == first) {
        return;
    }
    std::vector<cMapRange> out;
    out.reserve(ranges_.size() + 2);
    const auto push = [&out](cMapRange range) {
        if (range.count == 0) {
            return;
        }
        if (!out.empty() && out.back().state == range.state && out.back().End() == range.first) {
            out.back().count += range.count;
        } else {
            out.push_back(range);
        }
    };
    // Ranges before the change are kept as they are; only those it touches are cut.
    auto at = std::lower_bound(ranges_.begin(), ranges_.end(), first,
                               [](const cMapRange& r, std::uint64_t s) { return r.End() <= s; });
    out.assign(ranges_.begin(), at);
    bool placed = false;
    for (; at != ranges_.end(); ++at) {
        if (at->first >= end) {
            if (!placed) {
                push({first, end - first, state});
                placed = true;
            }
            push(*at);
            continue;
        }
        push({at->first, std::max(at->first, first) - at->first, at->state});
        if (!placed) {
            push({first, end - first, state});
            placed = true;
        }
        if (at->End() > end) {
            push({end, at->End() - end, at->state});
        }
    }
    ranges_ = std::move(out);
}

std::uint64_t cImageMap::Count(eState state) const {
    std::uint64_t total = 0;
    for (const cMapRange& range : ranges_) {
        total += range.state == state ? range.count : 0;
    }
    return total;
}

std::optional<cMapRange> cImageMap::Next(eState state, std::uint64_t sector) const {
    auto at = std::lower_bound(ranges_.begin(), ranges_.end(), sector,
                               [](const cMapRange& r, std::uint64_t s) { return r.End() <= s; });
    for (; at != ranges_.end(); ++at) {
        if (at->state == state) {
            return *at;
        }
    }
    return std::nullopt;
}

std::vector<cSectorRun> cImageMap::NotRescued() const {
    std::vector<cSectorRun> runs;
    for (const cMapRange& range : ranges_) {
        if (range.state == eState::kGood) {
            continue;
        }
        if (!runs.empty() && runs.back().first + runs.back().count == range.first) {
            runs.back().count += range.count;
        } else {
            runs.push_back({range.first, range.count});
        }
    }
    return runs;
}

std::string cImageMap::Format() const {
    std::string text = "# drovik image map: first sector, sector count, state\nsectors " +
                       std::to_string(sectors_) + "\n";
    for (const cMapRange& range : ranges_) {
        text += std::to_string(range.first) + " " + std::to_string(range.count) + " " +
                std::string(StateName(range.state)) + "\n";
    }
    return text;
}

std::optional<cImageMap> cImageMap::Parse(std::string_view text, std::string* error) {
    std::optional<cImageMap> map;
    std::uint64_t lineNumber = 0;
    std::uint64_t next = 0;
    const auto fail = [&](const char* why) {
        if (error) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
        }
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::vector<std::string_view> words = Words(line);
        if (words.empty() || words[0].front() == '#') {
            continue;
        }
        if (!map) {
            const std::optional<std::uint64_t> sectors =
                words.size() == 2 && words[0] == "sectors" ? Number(words[1]) : std::nullopt;
            if (!sectors) {
                return fail("expected 'sectors N'");
            }
            map.emplace(0);
            map->sectors_ = *sectors;
            continue;
        }
        const std::optional<std::uint64_t> first =
            words.size() == 3 ? Number(words[0]) : std::nullopt;
        const std::optional<std::uint64_t> count =
            words.size() == 3 ? Number(words[1]) : std::nullopt;
        if (!first || !count) {
            return fail("expected 'first count state'");
        }
        const auto state = std::find(kStateNames.begin(), kStateNames.end(), words[2]);
        if (state == kStateNames.end()) {
            return fail("unknown state");
        }
        if (*first != next || *count == 0 || *count > map->sectors_ - next) {
            return fail("range does not follow the one before inside the size");
        }
        next += *count;
        const auto value = eState(state - kStateNames.begin());
        if (!map->ranges_.empty() && map->ranges_.back().state == value) {
            map->ranges_.back().count += *count;
        } else {
            map->ranges_.push_back({*first, *count, value});
        }
    }
    if (!map || next != map->sectors_) {
        return fail("the ranges do not cover the size");
    }
    return map;
}

} // namespace imaging
