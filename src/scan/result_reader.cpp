#include "base/bytes.h"
#include "platform/storage_file.h"
#include "scan/result_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace drdb {
namespace {

// The file's bytes in order, from memory or through a buffer over an open file; what is
// left is always known, so no length from the file is believed beyond it.
class cInput {
public:
    explicit cInput(std::span<const std::uint8_t> bytes) : memory_(bytes), left_(bytes.size()) {}
    cInput(const platform::StorageFile& file, std::uint64_t size)
        : file_(&file), left_(size), buffer_(std::size_t(std::min<std::uint64_t>(size, kPiece))) {}

    std::uint64_t Remaining() const { return left_; }

    // The next size bytes, valid until the next call; nothing when fewer remain.
    std::optional<std::span<const std::uint8_t>> Take(std::size_t size) {
        if (size > left_) {
            return std::nullopt;
        }
        if (!file_) {
            const auto piece = memory_.subspan(memory_.size() - left_, size);
            left_ -= size;
            return piece;
        }
        if (held_.size() < size) {
            if (!Refill(size)) {
                return std::nullopt;
            }
        }
        const auto piece = held_.first(size);
        held_ = held_.subspan(size);
        left_ -= size;
        return piece;
    }

    std::optional<std::uint8_t> U8() {
        const auto piece = Take(1);
        return piece ? std::optional((*piece)[0]) : std::nullopt;
    }
    std::optional<std::uint32_t> Le32() {
        const auto piece = Take(4);
        return piece ? bytes::Le32At(*piece, 0) : std::nullopt;
    }
    std::optional<std::uint64_t> Le64() {
        const auto piece = Take(8);
        return piece ? bytes::Le64At(*piece, 0) : std::nullopt;
    }

private:
    static constexpr std::size_t kPiece = 256 * 1024;

    // Moves what is held to the buffer's front and reads behind it, at least size bytes.
    bool Refill(std::size_t size) {
        const std::size_t kept = held_.size();
        if (buffer_.size() < size) {
            buffer_.resize(size);
        }
        if (kept != 0) {
            std::memmove(buffer_.data(), held_.data(), kept);
        }
        const std::size_t room =
            std::size_t(std::min<std::uint64_t>(buffer_.size() - kept, left_ - kept));
        const std::size_t got = file_->ReadAt(buffer_.data() + kept, room, fileAt_);
        fileAt_ += got;
        held_ = std::span<const std::uint8_t>(buffer_.data(), kept + got);
        if (held_.size() < size) {
            // The file shrank while being read: it ends here.
            left_ = held_.size();
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> memory_;
    const platform::StorageFile* file_ = nullptr;
    std::uint64_t left_;
    std::vector<std::uint8_t> buffer_;
    std::span<const std::uint8_t> held_;
    std::uint64_t fileAt_ = 0;
};

std::optional<std::string_view> TakeName(cInput& in) {
    const auto length = in.U8();
    const auto bytes = length ? in.Take(*length) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    return std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

// One file record after its name; the name is copied first, as reading on may move it.
LoadError ReadFile(cInput& in, std::string_view name, cQORNVStorage& storage, cVSItemId folder) {
    const std::string kept(name);
    cVSFileInfo info;
    const auto kind = in.U8();
    const auto size = in.Le64();
    if (!kind || !size) {
        return LoadError::Truncated;
    }
    info.kind = *kind;
    info.size = *size;
    std::vector<std::uint8_t> extents;
    if (info.kind == vsitem::kFsFile) {
        const auto position = in.Le64();
        const auto mtime = in.Le32();
        const auto type = in.U8();
        if (!position || !mtime || !type) {
            return LoadError::Truncated;
        }
        info.position = *position;
        info.mtime = *mtime;
        info.fsType = *type;
    } else if (info.kind == vsitem::kRawFile) {
        const auto start = in.Le64();
        if (!start) {
            return LoadError::Truncated;
        }
        info.position = *start;
    } else if (info.kind == vsitem::kMultifragFile) {
        const auto length = in.Le32();
        const auto list = length ? in.Take(*length) : std::nullopt;
        if (!list) {
            return LoadError::Truncated;
        }
        extents.assign(list->begin(), list->end());
        info.extents = extents;
    } else {
        return LoadError::FileKind;
    }
    const cVSItemId file = storage.NewFile(kept, info);
    return file != kNoItem && storage.Insert(file, folder) ? LoadError::None : LoadError::Full;
}

LoadError Read(cInput& in, cQORNVStorage& storage) {
    if (!storage.Empty()) {
        return LoadError::NotEmpty;
    }
    const auto magic = in.Take(kMagic.size());
    if (!magic) {
        return LoadError::Truncated;
    }
    if (!std::equal(magic->begin(), magic->end(), kMagic.begin())) {
        return LoadError::Magic;
    }
    const auto rootType = in.U8();
    const auto stamp = in.Le32();
    if (!rootType || !stamp) {
        return LoadError::Truncated;
    }
    if (*stamp != kStamp) {
        return LoadError::Stamp;
    }
    if (*rootType != vsitem::kFolder) {
        return LoadError::RootType;
    }
    const auto rootName = TakeName(in);
    if (!rootName) {
        return LoadError::Truncated;
    }
    if (!storage.CreateRoot(*rootName)) {
        return LoadError::Full;
    }
    // The folders whose contents are being read, innermost last.
    std::vector<cVSItemId> open{storage.Root()};
    while (!open.empty()) {
        const auto type = in.U8();
        if (!type) {
            return LoadError::Truncated;
        }
        if (*type == 0) {
            open.pop_back();
            continue;
        }
        if (*type != vsitem::kFolder && *type != vsitem::kFile) {
            return LoadError::RecordType;
        }
        const auto name = TakeName(in);
        if (!name) {
            return LoadError::Truncated;
        }
        if (*type == vsitem::kFile) {
            if (const LoadError error = ReadFile(in, *name, storage, open.back());
                error != LoadError::None) {
                return error;
            }
            continue;
        }
        if (open.size() > kMaxDepth) {
            return LoadError::TooDeep;
        }
        const cVSItemId folder = storage.NewFolder(*name);
        if (folder == kNoItem || !storage.Insert(folder, open.back())) {
            return LoadError::Full;
        }
        open.push_back(folder);
    }
    return LoadError::None;
}

} // namespace

std::string_view Describe(LoadError error) {
    switch (error) {
    case LoadError::None:
        return "read completely";
    case LoadError::Open:
        return "the file cannot be opened or read";
    case LoadError::NotEmpty:
        return "a result is already loaded";
    case LoadError::Truncated:
        return "the file is cut short";
    case LoadError::Magic:
        return "not a scan result file (wrong magic)";
    case LoadError::Stamp:
        return "a scan result file of an unknown version (wrong stamp)";
    case LoadError::RootType:
        return "the root of the result is not a folder";
    case LoadError::RecordType:
        return "the file holds a record of an unknown type";
    case LoadError::FileKind:
        return "the file holds a file of an unknown kind";
    case LoadError::TooDeep:
        return "folders are nested deeper than a scan makes them";
    case LoadError::Full:
        return "the result holds more items than fit in memory";
    }
    return "unknown error";
}

LoadError Load(std::span<const std::uint8_t> file, cQORNVStorage& storage) {
    cInput in(file);
    return Read(in, storage);
}

LoadError LoadFile(const std::string& path, cQORNVStorage& storage) {
    platform::StorageFile file;
    const auto size = file.Open(path, false) ? file.Size() : std::nullopt;
    if (!size) {
        return LoadError::Open;
    }
    cInput in(file, *size);
    return Read(in, storage);
}

} // namespace drdb
