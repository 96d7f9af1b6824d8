#pragma once
// Fonts as elements name them (face, pixel height, style flags) and the font objects the
// canvas draws with. A font object is created once per description by a font provider
// and reused for the life of the process; it rasterises each glyph once and keeps it, so
// measuring and drawing text touch the rasteriser only for characters not seen before.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace font_style {
inline constexpr int kBold = 1;
// The "second style flag": the standard plain font with it marks the current page in
// page selectors; it is drawn underlined.
inline constexpr int kUnderline = 2;
} // namespace font_style

struct cFontSpec {
    std::string face;
    int height = 0;
    int style = 0;
    friend bool operator==(const cFontSpec&, const cFontSpec&) = default;
};

// The standard element fonts: "Tahoma" 13 plain and underlined (font id 5) and bold
// (font id 6). Font providers map the face to what the system has.
enum class eStdFont { Plain, Marked, Bold };
inline constexpr int kFontIdPlain = 5;
inline constexpr int kFontIdBold = 6;
const cFontSpec& StandardFont(eStdFont which);

// One rasterised glyph: an 8-bit coverage mask placed relative to the pen position
// (left) and the top of the text line (top).
struct cGlyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

class cFontObject {
public:
    explicit cFontObject(cFontSpec description) : description_(std::move(description)) {}
    virtual ~cFontObject() = default;
    cFontObject(const cFontObject&) = delete;
    cFontObject& operator=(const cFontObject&) = delete;

    const cFontSpec& Description() const { return description_; }
    virtual int LineHeight() const = 0;
    virtual int Ascent() const = 0;

    const cGlyph& Glyph(char32_t codePoint);

    // Width in pixels of UTF-16 text, or of 8-bit text whose bytes are Latin-1 code points.
    int MeasureText(std::u16string_view text);
    int MeasureText8(std::string_view text);
    // How many leading UTF-16 code units (never half a surrogate pair), or bytes, fit
    // within `width` pixels.
    std::size_t FitChars(std::u16string_view text, int width);
    std::size_t FitChars8(std::string_view text, int width);

protected:
    virtual cGlyph Rasterize(char32_t codePoint) = 0;

private:
    // Latin, Cyrillic and the punctuation in between: direct-indexed, since labels are
    // made of little else; everything else through the map.
    static constexpr char32_t kDenseGlyphs = 0x500;
    cFontSpec description_;
    std::vector<std::unique_ptr<cGlyph>> dense_ =
        std::vector<std::unique_ptr<cGlyph>>(kDenseGlyphs);
    std::unordered_map<char32_t, cGlyph> sparse_;
};

// Creates font objects on first request and keeps them.
class cFontProvider {
public:
    virtual ~cFontProvider() = default;
    // Never null for a provider that could load any font; null when no font file exists.
    virtual cFontObject* Font(const cFontSpec& description) = 0;
};

namespace utf16 {
// Decodes the code point at `i` and advances `i` past it; unpaired surrogates decode as
// U+FFFD so that damaged names still measure and draw.
char32_t Next(std::u16string_view text, std::size_t& i);
} // namespace utf16
