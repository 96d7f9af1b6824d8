#include "scan/signatures/follow_formats.h"

#include <algorithm>
#include <zlib.h>

namespace {
// A gzip header and trailer around a deflate stream with the largest window.
constexpr int kGzipWindowBits = 15 + 16;
constexpr std::uint32_t kScratchBytes = 32 * 1024;
} // namespace

struct cGzipFollower::cStream {
    z_stream z{};
    bool ready = false;
    std::array<std::uint8_t, kScratchBytes> scratch{};
};

cGzipFollower::cGzipFollower() : stream_(std::make_unique<cStream>()) {}

cGzipFollower::~cGzipFollower() {
    if (stream_->ready) {
        inflateEnd(&stream_->z);
    }
}

void cGzipFollower::Restart() {
    cStream& s = *stream_;
    // The inflater's state is made once and reset for each file.
    if (!s.ready) {
        s.ready = inflateInit2(&s.z, kGzipWindowBits) == Z_OK;
    } else {
        inflateReset(&s.z);
    }
    running_ = s.ready;
}

bool cGzipFollower::Feed(const std::uint8_t* data, std::uint32_t unit, std::uint32_t limit,
                         std::uint64_t before, std::uint32_t& endOffset) {
    if (!running_) {
        return false;
    }
    unit = std::min(unit, limit);
    cStream& s = *stream_;
    // zlib only reads its input, though its field is not const.
    s.z.next_in = const_cast<std::uint8_t*>(data);
    s.z.avail_in = unit;
    for (;;) {
        s.z.next_out = s.scratch.data();
        s.z.avail_out = kScratchBytes;
        const int status = inflate(&s.z, Z_NO_FLUSH);
        const std::uint32_t used = unit - s.z.avail_in;
        if (status == Z_STREAM_END || (status != Z_OK && status != Z_BUF_ERROR)) {
            running_ = false;
            return EndAt(before + used, before, endOffset);
        }
        // Z_BUF_ERROR: no progress was possible, so the unit is used up.
        if (s.z.avail_in == 0 || status == Z_BUF_ERROR) {
            return false;
        }
    }
}
