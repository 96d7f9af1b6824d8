#pragma once
// Ends that follow a file's own structure from its first byte on, where no single field or
// marker tells the end: JPEG segments, ISO media boxes, a PDF's last end-of-file marker
// after incremental updates, a gzip member's deflate stream. A node's kind above
// sigkind::kStrong asks for one (the scan takes such nodes as strong signatures). The
// follower is fed each unit of the open file in order and knows two things an end rule
// cannot: where the structure says the file surely goes on (a signature found there
// belongs to the file, like a thumbnail inside a photo), and the size at which the file
// was last complete (a file interrupted later keeps that size).

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class cSigFollower {
public:
    virtual ~cSigFollower() = default;
    // A file of the node opens at the rule origin of its first unit.
    void Start() {
        settled_.reset();
        Restart();
    }
    // The file's next unit; before counts the file's bytes in earlier units. On true the
    // file ends: Settled() is its size, endOffset its bytes in this unit (0 when it ended
    // before the unit).
    virtual bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                      std::uint64_t before, std::uint32_t& endOffset) = 0;
    // Whether the file's byte at position (from its start) lies inside a structure read
    // so far.
    virtual bool Covers(std::uint64_t position) const { return false; }
    std::optional<std::uint64_t> Settled() const { return settled_; }
    virtual std::u16string Describe() const = 0;

protected:
    virtual void Restart() = 0;
    // Ends the file at size: the answer Feed gives for it.
    bool EndAt(std::uint64_t size, std::uint64_t before, std::uint32_t& endOffset) {
        settled_ = size;
        endOffset = size > before ? std::uint32_t(std::min<std::uint64_t>(size - before, ~0U)) : 0;
        return true;
    }
    std::optional<std::uint64_t> settled_;
};

// The follower for a node kind, or none for kinds without one.
std::unique_ptr<cSigFollower> MakeFollower(std::uint8_t kind);
