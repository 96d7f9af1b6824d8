#include "io/base_io.h"

bool cNamedFileResource::AssignFrom(const cBaseIoResource& source) {
    if (source.GetKind() != GetKind()) {
        return false;
    }
    path_ = static_cast<const cNamedFileResource&>(source).path_;
    return true;
}

bool cNamedFileResource::IsSame(const cBaseIoResource* other) const {
    return other && other->GetKind() == GetKind() &&
           static_cast<const cNamedFileResource*>(other)->path_ == path_;
}

bool cNumberedDeviceResource::AssignFrom(const cBaseIoResource& source) {
    if (source.GetKind() != GetKind()) {
        return false;
    }
    number_ = static_cast<const cNumberedDeviceResource&>(source).number_;
    return true;
}

bool cNumberedDeviceResource::IsSame(const cBaseIoResource* other) const {
    return other && other->GetKind() == GetKind() &&
           static_cast<const cNumberedDeviceResource*>(other)->number_ == number_;
}

cNastedIOResource::cNastedIOResource() = default;
cNastedIOResource::cNastedIOResource(std::unique_ptr<cBaseIO> reader)
    : reader_(std::move(reader)) {}
cNastedIOResource::~cNastedIOResource() = default;

bool cNastedIOResource::AssignFrom(const cBaseIoResource& source) {
    if (source.GetKind() != GetKind()) {
        return false;
    }
    const cBaseIO* wrapped = static_cast<const cNastedIOResource&>(source).reader_.get();
    if (!wrapped) {
        return false;
    }
    std::unique_ptr<cBaseIO> copy = wrapped->Duplicate();
    if (!copy) {
        return false;
    }
    reader_ = std::move(copy);
    return true;
}

bool cNastedIOResource::IsSame(const cBaseIoResource* other) const {
    if (!other || other->GetKind() != GetKind() || !reader_) {
        return false;
    }
    return reader_->IsSameStorage(static_cast<const cNastedIOResource*>(other)->reader_.get());
}

cNastedIOResourceChain::cNastedIOResourceChain() = default;
cNastedIOResourceChain::~cNastedIOResourceChain() = default;

void cNastedIOResourceChain::Append(std::unique_ptr<cBaseIO> reader, std::uint64_t start,
                                    std::uint64_t count) {
    items_.push_back(cListBaseIOItem{std::move(reader), start, count});
}

bool cNastedIOResourceChain::AssignFrom(const cBaseIoResource& source) {
    if (source.GetKind() != GetKind()) {
        return false;
    }
    const auto& from = static_cast<const cNastedIOResourceChain&>(source).items_;
    if (&from == &items_) {
        return true;
    }
    items_.clear();
    for (const cListBaseIOItem& item : from) {
        std::unique_ptr<cBaseIO> copy = item.reader ? item.reader->Duplicate() : nullptr;
        if (!copy) {
            items_.clear();
            return false;
        }
        Append(std::move(copy), item.start, item.count);
    }
    return true;
}

bool cNastedIOResourceChain::IsSame(const cBaseIoResource* other) const {
    if (!other || other->GetKind() != GetKind()) {
        return false;
    }
    const auto& theirs = static_cast<const cNastedIOResourceChain*>(other)->items_;
    if (theirs.size() != items_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].reader || !items_[i].reader->IsSameStorage(theirs[i].reader.get())) {
            return false;
        }
    }
    return true;
}
