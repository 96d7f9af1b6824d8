#include "vfs/ext/ext_handle.h"

#include "vfs/ext/vext.h"

std::uint64_t cExtHandle::BlocksFor(std::uint64_t size) const {
    const std::uint64_t blockSize = Owner().GetBlockSize();
    return size / blockSize + (size % blockSize != 0);
}

bool cExtHandle::Append(std::uint64_t physical, std::uint64_t count) {
    if (physical != cRun::kSparse &&
        (physical >= Owner().GetBlockCount() || count > Owner().GetBlockCount() - physical)) {
        SetDamaged(true);
    }
    return AppendRun(physical, count);
}
