#include "app/copy/copy_report.h"

#include "app/copy/copy_data.h"
#include "app/copy/copy_texts.h"
#include "base/utf.h"

namespace copyreport {
namespace {

std::u16string Joined(int textNumber, std::u16string_view rest) {
    return copytext::Text(textNumber) + std::u16string(rest);
}

} // namespace

std::string Build(const std::vector<std::unique_ptr<cFSObject>>& objects,
                  std::u16string_view target, const std::vector<std::u16string>& logLines,
                  Encoding encoding) {
    report::cReportText out(encoding);
    out.AddLine(Joined(copytext::kReportHeading, kVersion));
    out.AddLine(u"");
    out.AddLine(copytext::Text(copytext::kReportObjects));
    for (const auto& object : objects) {
        const std::uint32_t kind = copydata::CopiedKind(*object);
        if (kind == fskind::kFolder) {
            out.AddLine(Joined(copytext::kReportFolder, object->name));
        }
        if (kind == fskind::kFile) {
            out.AddLine(Joined(copytext::kReportFile, object->name));
        }
    }
    out.AddLine(u"");
    out.AddLine(Joined(copytext::kReportTarget, target));
    out.AddLine(u"");
    out.AddLine(copytext::Text(copytext::kReportLog));
    for (const std::u16string& line : logLines) {
        out.AddLine(line);
    }
    return out.Take();
}

int FailureText(WriteResult result) {
    return result == WriteResult::CannotCreate ? 14 : 11;
}

} // namespace copyreport
