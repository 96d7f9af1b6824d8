#include "app/copy/copy_report.h"

#include "app/copy/copy_texts.h"
#include "base/utf.h"
#include "platform/storage_file.h"

namespace copyreport {
namespace {

void AddLine(std::string& out, std::u16string_view line) {
    out += utf::ToUtf16LEBytes(line);
    out += utf::ToUtf16LEBytes(u"\r\n");
}

std::u16string Joined(int textNumber, std::u16string_view rest) {
    return copytext::Text(textNumber) + std::u16string(rest);
}

} // namespace

std::string Build(const std::vector<std::unique_ptr<cFSObject>>& objects,
                  std::u16string_view target, const std::vector<std::u16string>& logLines) {
    std::string out = "\xFF\xFE";
    AddLine(out, Joined(copytext::kReportHeading, kVersion));
    AddLine(out, u"");
    AddLine(out, copytext::Text(copytext::kReportObjects));
    for (const auto& object : objects) {
        if (object->Kind() == fskind::kFolder)
            AddLine(out, Joined(copytext::kReportFolder, object->name));
        if (object->Kind() == fskind::kFile)
            AddLine(out, Joined(copytext::kReportFile, object->name));
    }
    AddLine(out, u"");
    AddLine(out, Joined(copytext::kReportTarget, target));
    AddLine(out, u"");
    AddLine(out, copytext::Text(copytext::kReportLog));
    for (const std::u16string& line : logLines)
        AddLine(out, line);
    return out;
}

WriteResult Write(const std::string& path, std::string_view bytes) {
    platform::StorageFile file;
    if (!file.Create(path))
        return WriteResult::CannotCreate;
    if (file.WriteAt(bytes.data(), bytes.size(), 0) != bytes.size())
        return WriteResult::CannotWrite;
    return WriteResult::Written;
}

int FailureText(WriteResult result) {
    return result == WriteResult::CannotCreate ? 14 : 11;
}

} // namespace copyreport
