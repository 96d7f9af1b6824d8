#include "scan/signatures/follower.h"

#include "scan/signatures/follow_formats.h"
#include "scan/signatures/signature.h"

std::unique_ptr<cSigFollower> MakeFollower(std::uint8_t kind) {
    switch (kind) {
    case sigkind::kFollowJpeg:
        return std::make_unique<cJpegFollower>();
    case sigkind::kFollowBoxes:
        return std::make_unique<cBoxFollower>();
    case sigkind::kFollowPdf:
        return std::make_unique<cPdfFollower>();
    case sigkind::kFollowGzip:
        return std::make_unique<cGzipFollower>();
    case sigkind::kFollowZip:
        return std::make_unique<cZipFollower>();
    default:
        return nullptr;
    }
}
