#include "command.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace cli {

namespace {
std::vector<const Command*>& Registry() {
    static std::vector<const Command*> commands;
    return commands;
}
} // namespace

Command::Command(const char* commandName, const char* commandSummary, const char* commandUsage,
                 Handler commandHandler)
    : name(commandName), summary(commandSummary), usage(commandUsage), handler(commandHandler) {
    auto& commands = Registry();
    commands.push_back(this);
    std::sort(commands.begin(), commands.end(), [](const Command* a, const Command* b) {
        return std::string_view(a->name) < b->name;
    });
}

const std::vector<const Command*>& Commands() {
    return Registry();
}

Args::Args(const std::vector<std::string>& args, std::vector<std::string> valueOptions)
    : valueOptions_(std::move(valueOptions)) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (onlyPositional || word.size() < 2 || word[0] != '-') {
            positional_.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyPositional = true;
            continue;
        }
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const bool takesValue =
            std::find(valueOptions_.begin(), valueOptions_.end(), name) != valueOptions_.end();
        if (takesValue && equals != std::string::npos) {
            options_.emplace_back(name, word.substr(equals + 1));
        } else if (takesValue && i + 1 < args.size()) {
            options_.emplace_back(name, args[++i]);
        } else {
            flags_.push_back(word);
        }
    }
}

bool Args::Flag(std::string_view name) const {
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::optional<std::string> Args::Option(std::string_view name) const {
    for (auto it = options_.rbegin(); it != options_.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return std::nullopt;
}

std::vector<std::string> Args::Options(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [option, value] : options_) {
        if (option == name) {
            values.push_back(value);
        }
    }
    return values;
}

std::vector<std::string> Args::Unknown(const std::vector<std::string>& knownFlags) const {
    std::vector<std::string> unknown;
    for (const auto& flag : flags_) {
        const bool known =
            flag == "--help" || flag == "-h" ||
            std::find(knownFlags.begin(), knownFlags.end(), flag) != knownFlags.end();
        if (!known) {
            unknown.push_back(flag);
        }
    }
    return unknown;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path,
                                                       std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        bytes.insert(bytes.end(), piece, piece + in.gcount());
        if (bytes.size() > maxBytes) {
            return std::nullopt;
        }
    }
    return in.bad() ? std::nullopt : std::optional(std::move(bytes));
}

std::string SystemReason() {
    return std::error_code(errno, std::generic_category()).message();
}

int Fail(std::string_view command, std::string_view message) {
    std::fprintf(stderr, "drovik-cli %.*s: %.*s\n", int(command.size()), command.data(),
                 int(message.size()), message.data());
    return 1;
}

int UsageError(const Command& command, std::string_view message) {
    std::fprintf(stderr, "drovik-cli %s: %.*s\n\n%s", command.name, int(message.size()),
                 message.data(), command.usage);
    return 2;
}

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out.push_back(char(c));
            }
        }
    }
    out += '"';
    return out;
}

void JsonObject::Key(std::string_view key) {
    if (text_.size() > 1) {
        text_ += ',';
    }
    text_ += JsonQuote(key);
    text_ += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
    Key(key);
    text_ += JsonQuote(value);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::uint64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::AddNull(std::string_view key) {
    Key(key);
    text_ += "null";
    return *this;
}

void JsonObject::Print() const {
    std::printf("%s}\n", text_.c_str());
}

} // namespace cli
