#pragma once
// The followers of the shipped formats (see follower.h).

#include "scan/signatures/follower.h"

#include <array>
#include <cstdint>
#include <memory>

// JPEG: marker segments are skipped by their lengths (an embedded thumbnail lies inside
// one), entropy-coded data is read up to the next marker; the end-of-image marker ends the
// file, a byte where a marker must be ends it before the broken marker.
class cJpegFollower final : public cSigFollower {
public:
    bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
              std::uint64_t before, std::uint32_t& endOffset) override;
    bool Covers(std::uint64_t position) const override { return position < next_; }
    std::u16string Describe() const override { return u"Follows JPEG segments."; }

private:
    void Restart() override;
    enum class eState : std::uint8_t { Marker, Code, LengthHigh, LengthLow, Entropy, EntropyCode };
    eState state_ = eState::Marker;
    std::uint64_t next_ = 0;        // the next byte to read
    std::uint64_t markerStart_ = 0; // where the marker being read began
    std::uint8_t code_ = 0;
    std::uint32_t length_ = 0;
};

// ISO base media (MP4, QuickTime, 3GP): top-level boxes are walked by their sizes; the
// file ends where the next box is not one of the top-level kinds. A box that runs to the
// end of the file leaves the end open.
class cBoxFollower final : public cSigFollower {
public:
    bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
              std::uint64_t before, std::uint32_t& endOffset) override;
    bool Covers(std::uint64_t position) const override { return !toEnd_ && position < next_; }
    std::u16string Describe() const override { return u"Follows ISO media boxes."; }

private:
    void Restart() override;
    std::uint64_t next_ = 0; // where the next box begins
    bool toEnd_ = false;
};

// PDF: the file ends after its last %%EOF (and its line end); an incremental update
// appended after it must begin within a bounded window with what an update begins with.
class cPdfFollower final : public cSigFollower {
public:
    static constexpr std::uint64_t kWindow = 1 << 20;
    bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
              std::uint64_t before, std::uint32_t& endOffset) override;
    std::u16string Describe() const override {
        return u"Follows PDF updates to the last end-of-file marker.";
    }

private:
    void Restart() override {}
};

// gzip: the member's deflate stream is inflated (into a scratch window that is thrown
// away) up to its end and trailer; a stream that breaks ends the file where it broke.
class cGzipFollower final : public cSigFollower {
public:
    cGzipFollower();
    ~cGzipFollower() override;
    cGzipFollower(const cGzipFollower&) = delete;
    cGzipFollower& operator=(const cGzipFollower&) = delete;
    bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
              std::uint64_t before, std::uint32_t& endOffset) override;
    std::u16string Describe() const override { return u"Follows the gzip stream to its end."; }

private:
    void Restart() override;
    struct cStream;
    std::unique_ptr<cStream> stream_;
    bool running_ = false;
};

// ZIP: local entries are skipped by their sizes, then the central directory's records, up
// to the end record and its comment. Entries whose sizes follow their data leave only the
// search for the end record.
class cZipFollower final : public cSigFollower {
public:
    bool Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
              std::uint64_t before, std::uint32_t& endOffset) override;
    // A record that begins a unit before the end record is the archive's own, not a new
    // archive's.
    bool Covers(std::uint64_t position) const override {
        return !lost_ && (position < next_ || (position == next_ && !ending_));
    }
    std::u16string Describe() const override { return u"Follows ZIP records to the end record."; }

private:
    void Restart() override;
    std::uint64_t next_ = 0; // where the next record begins
    bool lost_ = false;      // sizes unknown: searching for the end record
    bool ending_ = false;    // next_ is the file's end
};
