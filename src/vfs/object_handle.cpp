#include "vfs/object_handle.h"

#include "io/base_io.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cstring>

std::uint64_t cLinearObjectHandle::Seek(std::uint64_t position) {
    position_ = std::min(position, size_);
    return position_;
}

std::uint32_t cLinearObjectHandle::Read(void* buffer, std::uint32_t length) {
    cBaseIO* storage = fileSystem_ ? fileSystem_->Storage() : nullptr;
    if (!storage || position_ >= size_) {
        return 0;
    }
    length = std::uint32_t(std::min<std::uint64_t>(length, size_ - position_));
    if (start_ > ~std::uint64_t(0) - position_ ||
        !storage->ReadBytes(buffer, start_ + position_, length)) {
        return 0;
    }
    position_ += length;
    return length;
}

void cRLDrivenObjectHandle::SetUnitSize(std::uint32_t unitSize, std::uint32_t bufferSize) {
    unitSize_ = unitSize;
    unitBuffer_.assign(std::max(unitSize, bufferSize), 0);
    cachedUnit_ = kNoUnit;
}

std::uint64_t cRLDrivenObjectHandle::Seek(std::uint64_t position) {
    position_ = std::min(position, size_);
    return position_;
}

bool cRLDrivenObjectHandle::LoadUnit(std::uint64_t logicalUnit) {
    if (logicalUnit > ~std::uint64_t(0) / unitsPerBlock_) {
        return false;
    }
    const std::uint64_t unit = logicalUnit * unitsPerBlock_;
    const cRun* run = runs_.Find(unit);
    if (!run) {
        return false;
    }
    if (run->IsSparse()) {
        std::fill(unitBuffer_.begin(), unitBuffer_.end(), 0);
    } else if (!ReadBlock(unitBuffer_.data(), run->physicalStart + (unit - run->logicalStart))) {
        cachedUnit_ = kNoUnit; // the buffer may hold part of a failed read
        return false;
    }
    cachedUnit_ = logicalUnit;
    return true;
}

std::uint32_t cRLDrivenObjectHandle::ReadWholeUnits(std::uint8_t* out, std::uint32_t length) {
    if (unitsPerBlock_ != 1 || position_ % unitSize_ != 0 || length < unitSize_) {
        return 0;
    }
    const std::uint64_t logicalUnit = position_ / unitSize_;
    const cRun* run = runs_.Find(logicalUnit);
    if (!run) {
        return 0;
    }
    const std::uint64_t count =
        std::min<std::uint64_t>(length / unitSize_, run->LogicalEnd() - logicalUnit);
    const std::uint32_t bytes = std::uint32_t(count * unitSize_);
    if (run->IsSparse()) {
        std::memset(out, 0, bytes);
    } else if (!ReadBlocks(out, run->physicalStart + (logicalUnit - run->logicalStart), count)) {
        return 0;
    }
    position_ += bytes;
    return bytes;
}

std::uint32_t cRLDrivenObjectHandle::Read(void* buffer, std::uint32_t length) {
    if (!fileSystem_ || unitSize_ == 0 || position_ >= size_) {
        return 0;
    }
    length = std::uint32_t(std::min<std::uint64_t>(length, size_ - position_));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint32_t copied = 0;
    while (copied < length) {
        if (const std::uint32_t direct = ReadWholeUnits(out + copied, length - copied)) {
            copied += direct;
            continue;
        }
        const std::uint64_t logicalUnit = position_ / unitSize_;
        const std::uint32_t offset = std::uint32_t(position_ % unitSize_);
        const std::uint32_t chunk = std::min(length - copied, unitSize_ - offset);
        if (logicalUnit != cachedUnit_ && !LoadUnit(logicalUnit)) {
            break;
        }
        std::memcpy(out + copied, unitBuffer_.data() + offset, chunk);
        copied += chunk;
        position_ += chunk;
    }
    return copied;
}
