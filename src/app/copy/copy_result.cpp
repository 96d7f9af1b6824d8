#include "app/copy/copy_result.h"

namespace copyresult {

std::optional<int> ReasonText(unsigned result) {
    switch (result) {
    case kNoFileSystem:
        return 8;
    case kCannotOpenSource:
        return 9;
    case kCannotReadSource:
        return 10;
    case kCannotWriteTarget:
        return 11;
    case kStopped:
        return 12;
    case kCannotCreateTarget:
        return 14;
    case kCannotCreateFolder:
        return 15;
    case kNoRoom:
        return 27;
    case kDamaged:
        return 29;
    default:
        return std::nullopt;
    }
}

} // namespace copyresult
