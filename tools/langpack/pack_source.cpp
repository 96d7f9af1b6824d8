#include "pack_source.h"

#include "base/lang/pack_format.h"
#include "base/utf.h"

#include <charconv>

namespace langpack {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

// A section name is what forms name in code: printable ASCII without blanks.
bool IsSectionName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (char c : name) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

bool IsWellFormedUtf8(std::string_view text) {
    return utf::ToUtf8(utf::FromUtf8(text)) == text;
}

std::optional<std::size_t> ParseNumber(std::string_view digits) {
    std::size_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> Unescape(std::string_view text, std::string& error) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            error = "a backslash ends the line";
            return std::nullopt;
        }
        switch (text[i]) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 's':
            out += ' ';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            error = std::string("unknown escape \\") + text[i];
            return std::nullopt;
        }
    }
    return out;
}

class Parser {
public:
    explicit Parser(SourceError& error) : error_(error) {}

    std::optional<Pack> Parse(std::string_view source) {
        while (!source.empty()) {
            std::size_t end = source.find('\n');
            std::string_view line = source.substr(0, end);
            source = end == std::string_view::npos ? std::string_view{} : source.substr(end + 1);
            ++lineNumber_;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (!Line(line)) {
                return std::nullopt;
            }
        }
        lineNumber_ = 0;
        if (!EndSection()) {
            return std::nullopt;
        }
        if (pack_.id.empty() || !hasName_) {
            Fail("a source needs a \"pack\" and a \"name\" line");
            return std::nullopt;
        }
        return std::move(pack_);
    }

private:
    bool Line(std::string_view line) {
        if (line.empty() || line.front() == '#') {
            return true;
        }
        if (IsBlank(line.back())) {
            return Fail("trailing blank; write a significant one as \\s");
        }
        if (line.front() >= '0' && line.front() <= '9') {
            return Entry(line);
        }
        std::size_t space = line.find(' ');
        std::string_view keyword = line.substr(0, space);
        std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
        if (keyword == "pack") {
            return PackId(rest);
        }
        if (keyword == "name") {
            return Name(rest);
        }
        if (keyword == "section") {
            return StartSection(rest);
        }
        return Fail("unknown directive \"" + std::string(keyword) + "\"");
    }

    bool PackId(std::string_view id) {
        if (!pack_.id.empty()) {
            return Fail("a second \"pack\" line");
        }
        if (id.size() != lang::kPackIdSize || !id.starts_with(lang::kPackIdPrefix) ||
            !IsUpperLetter(id[8]) || !IsUpperLetter(id[9]) || !IsUpperLetter(id[10])) {
            return Fail("a pack id is \"TUSKBASE\" and three capital letters");
        }
        pack_.id = id;
        return true;
    }

    bool Name(std::string_view name) {
        if (hasName_) {
            return Fail("a second \"name\" line");
        }
        if (name.empty() || name.size() > 0xFF || !IsWellFormedUtf8(name)) {
            return Fail("a language name is 1 to 255 bytes of UTF-8");
        }
        pack_.languageName = name;
        hasName_ = true;
        return true;
    }

    bool StartSection(std::string_view rest) {
        if (!EndSection()) {
            return false;
        }
        std::size_t space = rest.find(' ');
        std::string_view name = rest.substr(0, space);
        std::optional<std::size_t> count =
            space == std::string_view::npos ? std::nullopt : ParseNumber(rest.substr(space + 1));
        if (!IsSectionName(name) || !count) {
            return Fail("expected \"section NAME COUNT\"");
        }
        if (*count == 0 || *count > 0xFFFF) {
            return Fail("a section holds 1 to 65535 texts");
        }
        for (const Section& section : pack_.sections) {
            if (section.name == name) {
                return Fail("section \"" + std::string(name) + "\" appears twice");
            }
        }
        pack_.sections.push_back({std::string(name), {}});
        expectedCount_ = *count;
        return true;
    }

    // "N: text" or "N -".
    bool Entry(std::string_view line) {
        if (pack_.sections.empty()) {
            return Fail("a text before the first section");
        }
        std::vector<Text>& texts = pack_.sections.back().texts;
        std::size_t digits = line.find_first_not_of("0123456789");
        std::optional<std::size_t> number = ParseNumber(line.substr(0, digits));
        if (!number || *number != texts.size()) {
            return Fail("expected text number " + std::to_string(texts.size()));
        }
        if (texts.size() == expectedCount_) {
            return Fail("more texts than the section's count");
        }
        std::string_view rest = digits == std::string_view::npos ? "" : line.substr(digits);
        if (rest == " -") {
            texts.emplace_back(std::nullopt);
            return true;
        }
        if (rest.empty() || rest.front() != ':') {
            return Fail("expected \"N: text\" or \"N -\"");
        }
        rest.remove_prefix(1);
        if (!rest.empty() && rest.front() == ' ') {
            rest.remove_prefix(1);
        }
        std::string problem;
        std::optional<std::string> text = Unescape(rest, problem);
        if (!text) {
            return Fail(problem);
        }
        if (!IsWellFormedUtf8(*text)) {
            return Fail("the text is not well-formed UTF-8");
        }
        if (text->size() > lang::kMaxTextSize) {
            return Fail("a text is at most 65534 bytes");
        }
        texts.emplace_back(std::move(*text));
        return true;
    }

    bool EndSection() {
        if (pack_.sections.empty() || pack_.sections.back().texts.size() == expectedCount_) {
            return true;
        }
        return Fail("section \"" + pack_.sections.back().name + "\" has " +
                    std::to_string(pack_.sections.back().texts.size()) + " of its " +
                    std::to_string(expectedCount_) + " texts");
    }

    bool Fail(std::string message) {
        error_ = {lineNumber_, std::move(message)};
        return false;
    }

    SourceError& error_;
    Pack pack_;
    bool hasName_ = false;
    std::size_t expectedCount_ = 0;
    std::size_t lineNumber_ = 0;
};

} // namespace

std::optional<Pack> ParseSource(std::string_view source, SourceError& error) {
    return Parser(error).Parse(source);
}

} // namespace langpack
