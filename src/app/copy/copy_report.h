#pragma once
// The copy report: which objects were asked for, where they went, and the error log, as
// text file (see Encoding).

#include "vfs/fs_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace copyreport {

inline constexpr std::u16string_view kVersion = u"1.0";
inline constexpr std::string_view kDefaultName = "copying_report.txt";

// The window writes UTF-16LE with a byte-order mark and CR LF; a terminal user on Linux
// reads UTF-8 with LF.
enum class Encoding { Utf16Le, Utf8 };

// The report's bytes. Folders and files of the request give a line each; objects of other
// kinds give none.
std::string Build(const std::vector<std::unique_ptr<cFSObject>>& objects,
                  std::u16string_view target, const std::vector<std::u16string>& logLines,
                  Encoding encoding = Encoding::Utf16Le);

enum class WriteResult { Written, CannotCreate, CannotWrite };
// Writes the bytes to a new file at path (UTF-8), replacing any file there.
WriteResult Write(const std::string& path, std::string_view bytes);

// The text number of "qorns::copyfiles" that tells the user about a failed write.
int FailureText(WriteResult result);

} // namespace copyreport
