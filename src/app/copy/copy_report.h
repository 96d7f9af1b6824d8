#pragma once
// The copy report: which objects were asked for, where they went, and the error log, as
// a UTF-16LE text file with a byte-order mark and CR LF line ends.

#include "vfs/fs_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace copyreport {

inline constexpr std::u16string_view kVersion = u"1.0";
inline constexpr std::string_view kDefaultName = "copying_report.txt";

// The report's bytes. Folders and files of the request give a line each; objects of other
// kinds give none.
std::string Build(const std::vector<std::unique_ptr<cFSObject>>& objects,
                  std::u16string_view target, const std::vector<std::u16string>& logLines);

enum class WriteResult { Written, CannotCreate, CannotWrite };
// Writes the bytes to a new file at path (UTF-8), replacing any file there.
WriteResult Write(const std::string& path, std::string_view bytes);

// The text number of "qorns::copyfiles" that tells the user about a failed write.
int FailureText(WriteResult result);

} // namespace copyreport
