#pragma once
// drovik-cli commands register themselves with a static Command object in their own
// cmd_*.cpp file; main() finds them by name. Each command parses its own arguments with
// Args and writes listings to stdout, errors to stderr.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using Handler = int (*)(const std::vector<std::string>& args);

struct Command {
    Command(const char* name, const char* summary, const char* usage, Handler handler);
    const char* name;
    const char* summary;
    const char* usage; // full --help text of the command
    Handler handler;
};

const std::vector<const Command*>& Commands();

// A small argument reader: flags ("--json", "-r"), options with one value
// ("--part P", "--part=P") and positional words, in any order.
class Args {
public:
    Args(const std::vector<std::string>& args, std::vector<std::string> valueOptions);

    bool Flag(std::string_view name) const;
    std::optional<std::string> Option(std::string_view name) const;
    // Every value of an option that may be given more than once, in order.
    std::vector<std::string> Options(std::string_view name) const;
    const std::vector<std::string>& Positional() const { return positional_; }
    // Flags and options that the command did not ask about: a typo must not be ignored.
    std::vector<std::string> Unknown(const std::vector<std::string>& knownFlags) const;
    bool WantsHelp() const { return Flag("--help") || Flag("-h"); }

private:
    std::vector<std::string> flags_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> positional_;
    std::vector<std::string> valueOptions_;
};

// Parses a decimal (or 0x-prefixed hexadecimal) unsigned number; no on junk or overflow.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);

// The whole of a small file (rules files and sources); nothing when it cannot be read or
// holds more than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadSmallFile(const std::string& path,
                                                       std::size_t maxBytes);

// The system's text for the last failed call (errno).
std::string SystemReason();

// Prints "drovik-cli NAME: MESSAGE" to stderr and returns the exit code for errors.
int Fail(std::string_view command, std::string_view message);
// For usage errors: the message, then the command's usage text; exit code 2.
int UsageError(const Command& command, std::string_view message);

// JSON Lines output: one object per row, fields in the order they are added.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) {
        return Add(key, std::string_view(value));
    }
    JsonObject& Add(std::string_view key, std::uint64_t value);
    JsonObject& Add(std::string_view key, std::int64_t value);
    JsonObject& Add(std::string_view key, int value) { return Add(key, std::int64_t(value)); }
    JsonObject& Add(std::string_view key, unsigned value) { return Add(key, std::uint64_t(value)); }
    JsonObject& Add(std::string_view key, bool value);
    JsonObject& AddNull(std::string_view key);
    // Prints the object and a newline to stdout.
    void Print() const;
    std::string Text() const { return text_ + "}"; }

private:
    void Key(std::string_view key);
    std::string text_ = "{";
};

// A JSON string literal with escapes; bytes that are not valid UTF-8 never reach here
// because names are converted from UTF-16 first.
std::string JsonQuote(std::string_view text);

} // namespace cli
