#include "base/bytes.h"
#include "platform/storage_file.h"
#include "scan/result_file.h"
#include "scan/vs_name.h"

#include <vector>

namespace drdb {
namespace {

// Collects the file in a buffer and hands it to the sink in large pieces.
class cOutput {
public:
    explicit cOutput(const Sink& sink) : sink_(sink) { buffer_.reserve(kPiece); }

    void Byte(std::uint8_t value) { Put(&value, 1); }
    void Le32(std::uint32_t value) {
        std::uint8_t bytes[4];
        bytes::PutLe32(bytes, value);
        Put(bytes, 4);
    }
    void Le64(std::uint64_t value) {
        std::uint8_t bytes[8];
        bytes::PutLe64(bytes, value);
        Put(bytes, 8);
    }
    void Put(const void* data, std::size_t size) {
        const auto* in = static_cast<const std::uint8_t*>(data);
        buffer_.insert(buffer_.end(), in, in + size);
        if (buffer_.size() >= kPiece) {
            Flush();
        }
    }
    void Name(std::string_view name) {
        const std::string_view cut = vsname::Cut(name);
        Byte(std::uint8_t(cut.size()));
        Put(cut.data(), cut.size());
    }
    // No when the sink refused this piece or an earlier one.
    bool Flush() {
        if (ok_ && !buffer_.empty()) {
            ok_ = sink_(buffer_);
        }
        buffer_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    static constexpr std::size_t kPiece = 256 * 1024;

    const Sink& sink_;
    std::vector<std::uint8_t> buffer_;
    bool ok_ = true;
};

void PutFile(cOutput& out, const cQORNVStorage& storage, cVSItemId file) {
    out.Byte(vsitem::kFile);
    out.Name(storage.Name(file));
    const std::uint8_t kind = storage.FileKind(file);
    out.Byte(kind);
    out.Le64(storage.Size(file));
    if (kind == vsitem::kFsFile) {
        out.Le64(storage.Position(file));
        out.Le32(storage.MTime(file));
        out.Byte(storage.FsType(file));
    } else if (kind == vsitem::kRawFile) {
        out.Le64(storage.Position(file));
    } else {
        const auto extents = storage.Extents(file);
        out.Le32(std::uint32_t(extents.size()));
        out.Put(extents.data(), extents.size());
    }
}

} // namespace

bool Save(const cQORNVStorage& storage, const Sink& sink) {
    cOutput out(sink);
    out.Put(kMagic.data(), kMagic.size());
    out.Byte(vsitem::kFolder);
    out.Le32(kStamp);
    const cVSItemId root = storage.Root();
    out.Name(root != kNoItem ? storage.Name(root) : cQORNVStorage::kRootName);
    // Folders being written, each with the next subfolder still to write; a folder's files
    // follow once its subfolders are done.
    struct Open {
        cVSItemId folder;
        cVSItemId nextFolder;
    };
    std::vector<Open> open;
    if (root != kNoItem) {
        open.push_back({root, storage.FirstSubfolder(root)});
    }
    while (!open.empty() && out.Ok()) {
        Open& top = open.back();
        if (const cVSItemId folder = top.nextFolder; folder != kNoItem) {
            top.nextFolder = storage.Next(folder);
            if (open.size() > kMaxDepth) {
                return false;
            }
            out.Byte(vsitem::kFolder);
            out.Name(storage.Name(folder));
            open.push_back({folder, storage.FirstSubfolder(folder)});
            continue;
        }
        for (cVSItemId file = storage.FirstFile(top.folder); file != kNoItem;
             file = storage.Next(file)) {
            if (!storage.Name(file).empty()) {
                PutFile(out, storage, file);
            }
        }
        out.Byte(0);
        open.pop_back();
    }
    if (root == kNoItem) {
        out.Byte(0);
    }
    return out.Flush();
}

SaveError SaveToFile(const std::string& path, const cQORNVStorage& storage) {
    platform::StorageFile file;
    if (!file.Create(path)) {
        return SaveError::Create;
    }
    std::uint64_t at = 0;
    const bool written = Save(storage, [&](std::span<const std::uint8_t> piece) {
        const bool complete = file.WriteAt(piece.data(), piece.size(), at) == piece.size();
        at += piece.size();
        return complete;
    });
    file.Close();
    return written ? SaveError::None : SaveError::Write;
}

} // namespace drdb
