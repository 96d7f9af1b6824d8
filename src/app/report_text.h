#pragma once
// The text files the program writes for the user (the copy report, the file-system test
// report): the window writes UTF-16LE with a byte-order mark and CR LF line ends, as the
// program always has; a terminal user on Linux reads UTF-8 with LF.

#include <string>
#include <string_view>

namespace report {

enum class Encoding { Utf16Le, Utf8 };

class cReportText {
public:
    explicit cReportText(Encoding encoding);
    void AddLine(std::u16string_view line);
    std::string Take() { return std::move(bytes_); }

private:
    const Encoding encoding_;
    std::string bytes_;
};

enum class WriteResult { Written, CannotCreate, CannotWrite };
// Writes the bytes to a new file at path (UTF-8), replacing any file there.
WriteResult Write(const std::string& path, std::string_view bytes);

} // namespace report
