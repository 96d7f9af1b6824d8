#include "app/report_text.h"

#include "base/utf.h"
#include "platform/storage_file.h"

namespace report {

cReportText::cReportText(Encoding encoding) : encoding_(encoding) {
    if (encoding_ == Encoding::Utf16Le) {
        bytes_ = "\xFF\xFE";
    }
}

void cReportText::AddLine(std::u16string_view line) {
    if (encoding_ == Encoding::Utf16Le) {
        bytes_ += utf::ToUtf16LEBytes(line);
        bytes_ += utf::ToUtf16LEBytes(u"\r\n");
    } else {
        bytes_ += utf::ToUtf8(line);
        bytes_ += '\n';
    }
}

WriteResult Write(const std::string& path, std::string_view bytes) {
    platform::StorageFile file;
    if (!file.Create(path)) {
        return WriteResult::CannotCreate;
    }
    if (file.WriteAt(bytes.data(), bytes.size(), 0) != bytes.size()) {
        return WriteResult::CannotWrite;
    }
    return WriteResult::Written;
}

} // namespace report
