// Files whose ends follow their structure: a photo keeps its size past an embedded
// thumbnail, a media file ends after its last top-level box and a picture inside its data
// opens nothing, a PDF ends at its last %%EOF within the update window, a gzip member at
// its trailer; broken structures end the file where they break.

#include "raw_scan_support.h"

#include <zlib.h>

namespace {

using namespace std::string_literals;
using rawscantest::kSector;

const char* kRules = R"(
group "F" {
  file "JPEG" jpg follow jpeg {
    at 0 FFD8FF
  }
  file "Media" mp4 follow iso-boxes {
    at 4 "ftyp"
  }
  file "PDF" pdf follow pdf {
    at 0 "%PDF-"
  }
  file "gzip" gz follow gzip {
    at 0 1F8B08
  }
  file "ZIP" zip follow zip {
    at 0 "PK" 0304
  }
  file "Open" op {
    at 0 "OPEN"
  }
}
)";

struct cScan : rawscantest::cScan {
    explicit cScan(std::size_t sectors) : rawscantest::cScan(sectors, kRules) {}
    std::vector<std::string> RunSectors() {
        Open();
        EXPECT_TRUE(Run(Request(1)));
        return Found();
    }
};

std::string Be16(std::size_t value) {
    return {char(value >> 8), char(value & 0xFF)};
}
std::string Be32(std::size_t value) {
    return Be16(value >> 16) + Be16(value & 0xFFFF);
}

// A JPEG of one scan whose entropy data holds a stuffed byte, a restart marker and fill
// bytes before its end; header: segments to put after the start-of-image marker.
std::string Jpeg(const std::string& header) {
    const std::string table = "\xFF\xDB"s + Be16(67) + std::string(65, '\x01');
    const std::string scan = "\xFF\xDA"s + Be16(8) + "\x01\x01\x00\x00\x3F\x00"s;
    return "\xFF\xD8"s + header + table + scan + "\x12\xFF\x00\x34\xFF\xD3\x56\xFF\xFF\xD9"s;
}

// An application segment of the given payload.
std::string App1(const std::string& payload) {
    return "\xFF\xE1"s + Be16(payload.size() + 2) + payload;
}

TEST(FollowerTest, PhotoKeepsItsSizePastAThumbnailThatStartsASector) {
    cScan scan(16);
    const std::string thumbnail = Jpeg("");
    // The thumbnail begins exactly at the second sector of the photo.
    const std::string lead = "Exif\0\0"s;
    const std::string padding(kSector - 2 - 4 - lead.size(), 'p');
    const std::string photo = Jpeg(App1(lead + padding + thumbnail + "tail"));
    ASSERT_EQ(photo.substr(kSector, 3), "\xFF\xD8\xFF");
    scan.Put(2 * kSector, photo);
    EXPECT_EQ(scan.RunSectors(),
              std::vector<std::string>{"F/JPEG/00000002.jpg " + std::to_string(photo.size())});
}

TEST(FollowerTest, BrokenJpegEndsWhereAMarkerIsMissing) {
    cScan scan(8);
    const std::string table = "\xFF\xDB"s + Be16(4) + "\x01\x02"s;
    scan.Put(kSector, "\xFF\xD8"s + table + "xx" + std::string(900, '\xFF'));
    // A length below 2 breaks the segment it belongs to.
    scan.Put(4 * kSector, "\xFF\xD8\xFF\xE0\x00\x01"s);
    const std::vector<std::string> expected = {"F/JPEG/00000001.jpg 8", "F/JPEG/00000004.jpg 2"};
    EXPECT_EQ(scan.RunSectors(), expected);
}

// An ISO media file: a type box, a large-size free box, and a media data box that holds a
// JPEG's start at a sector's start.
TEST(FollowerTest, MediaEndsAfterItsLastBoxAndWhatItsBoxesHoldOpensNothing) {
    cScan scan(16);
    const std::string type = Be32(16) + "ftypisom" + Be32(0);
    const std::string large = Be32(1) + "free" + Be32(0) + Be32(20) + "four";
    const std::size_t head = type.size() + large.size() + 8;
    std::string payload = std::string(kSector - head, 'd') + Jpeg("");
    payload += std::string(3 * kSector - head - payload.size(), 'd');
    const std::string media = type + large + Be32(8 + payload.size()) + "mdat" + payload;
    ASSERT_EQ(media.size() % kSector, 0u);
    scan.Put(kSector, media);
    scan.Put(kSector + media.size(), Be32(8) + "junk");
    // A box shorter than its header ends the next file before it; a box that runs to the
    // end of the file leaves it open until the next one.
    scan.Put(8 * kSector, type + Be32(7) + "moov");
    scan.Put(10 * kSector, type + Be32(0) + "mdat");
    scan.Put(13 * kSector, "OPEN");
    const std::vector<std::string> expected = {
        "F/Media/00000001.mp4 " + std::to_string(media.size()), "F/Media/00000008.mp4 16",
        "F/Media/00000010.mp4 1536", "F/Open/00000013.op 1536"};
    EXPECT_EQ(scan.RunSectors(), expected);
}

TEST(FollowerTest, PdfEndsAtItsLastMarkerAfterUpdates) {
    cScan scan(2200 + 16);
    const std::string first = "%PDF-1.4\n1 0 obj\n<<>>\nendobj\ntrailer\n<<>>\n%%EOF\n";
    const std::string update = "2 0 obj\n<<>>\nendobj\n" + std::string(700, ' ') + "%%EOF\r\n";
    scan.Put(kSector, first + update); // followed by zeros: no update can follow
    // An update-like byte after the marker keeps the file open for the window only.
    scan.Put(8 * kSector, first + "1");
    const std::vector<std::string> expected = {
        "F/PDF/00000001.pdf " + std::to_string(first.size() + update.size()),
        "F/PDF/00000008.pdf " + std::to_string(first.size())};
    EXPECT_EQ(scan.RunSectors(), expected);

    // The next file ends the one in its window where it was complete.
    cScan interrupted(16);
    interrupted.Put(kSector, first + "1");
    interrupted.Put(5 * kSector, "OPEN");
    const std::vector<std::string> cut = {"F/PDF/00000001.pdf " + std::to_string(first.size()),
                                          "F/Open/00000005.op 5632"};
    EXPECT_EQ(interrupted.RunSectors(), cut);
}

std::string Le16(std::size_t value) {
    return {char(value & 0xFF), char(value >> 8)};
}
std::string Le32(std::size_t value) {
    return Le16(value & 0xFFFF) + Le16(value >> 16);
}

// A stored ZIP entry (flags: 8 when its sizes follow its data) and the records after it.
std::string ZipEntry(const std::string& name, const std::string& data, std::size_t flags) {
    const std::string sizes =
        flags == 0 ? Le32(data.size()) + Le32(data.size()) : Le32(0) + Le32(0);
    return "PK\3\4"s + Le16(20) + Le16(flags) + Le16(0) + Le32(0) + Le32(0) + sizes +
           Le16(name.size()) + Le16(0) + name + data;
}
std::string ZipCentral(const std::string& name) {
    return "PK\1\2"s + std::string(24, '\0') + Le16(name.size()) + Le16(0) + Le16(0) +
           std::string(12, '\0') + name;
}
std::string ZipEnd(const std::string& comment) {
    return "PK\5\6"s + std::string(16, '\0') + Le16(comment.size()) + comment;
}

TEST(FollowerTest, ZipEndsAfterItsCommentAndWhatItHoldsOpensNothing) {
    // The entry inside the second begins a sector, and the comment runs into the next.
    const std::string first = ZipEntry("a", std::string(kSector - 31 - 31, 'a'), 0);
    ASSERT_EQ(first.size() + 30 + 1, kSector);
    const std::string inner = ZipEntry("b", "PK\3\4 an archive inside", 0);
    const std::string second = ZipEntry("c", inner, 0);
    const std::string zip =
        first + second + ZipCentral("a") + ZipCentral("c") + ZipEnd(std::string(kSector, 'z'));
    cScan scan(16);
    scan.Put(kSector, zip);
    // Sizes that follow the data leave the search for the end record.
    const std::string described = ZipEntry("d", std::string(3 * kSector, 'd'), 8) + "PK\7\x08"s +
                                  std::string(12, '\0') + ZipCentral("d") + ZipEnd("");
    scan.Put(6 * kSector, described);
    const std::vector<std::string> expected = {"F/ZIP/00000001.zip " + std::to_string(zip.size()),
                                               "F/ZIP/00000006.zip " +
                                                   std::to_string(described.size())};
    EXPECT_EQ(scan.RunSectors(), expected);
}

std::string Gzip(const std::string& text) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(FollowerTest, GzipEndsAtItsTrailerOrWhereItsStreamBreaks) {
    std::string text;
    for (int i = 0; i < 4000; ++i) {
        text += std::to_string(i * 7919 % 10007) + " ";
    }
    const std::string packed = Gzip(text);
    ASSERT_GT(packed.size(), 2 * kSector);
    cScan scan(64);
    scan.Put(kSector, packed);
    scan.Put(kSector + packed.size(), std::string(40, 'r')); // not zeros after it
    std::string broken = packed;
    broken[20] = char(0xFF) ^ broken[20];
    broken[21] = char(0xFF) ^ broken[21];
    scan.Put(32 * kSector, broken);
    const auto found = scan.RunSectors();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], "F/gzip/00000001.gz " + std::to_string(packed.size()));
    const std::size_t brokenSize = std::stoul(found[1].substr(found[1].find(' ') + 1));
    EXPECT_LT(brokenSize, packed.size());
}

} // namespace
