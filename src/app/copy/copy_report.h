#pragma once
// The copy report: which objects were asked for, where they went, and the error log, as
// text file (see Encoding).

#include "app/report_text.h"
#include "vfs/fs_object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace copyreport {

inline constexpr std::u16string_view kVersion = u"1.0";
inline constexpr std::string_view kDefaultName = "copying_report.txt";

using Encoding = report::Encoding;

// The report's bytes. Folders and files of the request give a line each; objects of other
// kinds give none.
std::string Build(const std::vector<std::unique_ptr<cFSObject>>& objects,
                  std::u16string_view target, const std::vector<std::u16string>& logLines,
                  Encoding encoding = Encoding::Utf16Le);

using WriteResult = report::WriteResult;
using report::Write;

// The text number of "qorns::copyfiles" that tells the user about a failed write.
int FailureText(WriteResult result);

} // namespace copyreport
