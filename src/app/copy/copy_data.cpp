#include "app/copy/copy_data.h"

#include "app/copy/copy_result.h"
#include "base/job.h"
#include "base/utf.h"
#include "platform/storage_file.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <vector>

namespace copydata {

std::uint32_t CopiedKind(const cFSObject& object) {
    std::uint32_t kind = object.Kind();
    if (kind == fskind::kDeleted) {
        kind = static_cast<const cFSDeletedObj&>(object).deletedKind;
    }
    return kind == fskind::kFolder || kind == fskind::kFile ? kind : 0;
}

bool IsSingleFile(const std::vector<std::unique_ptr<cFSObject>>& objects) {
    return objects.size() == 1 && CopiedKind(*objects.front()) == fskind::kFile;
}

// A live folder gives its live entries: the deleted ones beside them are older data the
// user did not ask for, and often share a live entry's name. A deleted folder gives all it
// still lists, since everything in it was deleted with it.
bool IsCopiedChild(const cFSObject& folder, const cFSObject& entry) {
    const std::uint32_t kind = CopiedKind(entry);
    if (kind == 0 || (kind == fskind::kFolder && (entry.name == u"." || entry.name == u".."))) {
        return false;
    }
    return folder.Kind() == fskind::kDeleted || entry.Kind() != fskind::kDeleted;
}

unsigned WriteFileData(const cFSObject& file, platform::StorageFile& target, std::uint8_t* buffer,
                       cProgressNotifyTarget* progress) {
    const std::uint64_t size = file.size;
    if (size == 0) {
        return file.IsDamaged() ? copyresult::kDamaged : copyresult::kDone;
    }
    if (!file.fileSystem) {
        return copyresult::kNoFileSystem;
    }
    const std::unique_ptr<cObjectHandle> source = file.fileSystem->OpenObject(file);
    if (!source || !source->IsOpen()) {
        return copyresult::kCannotOpenSource;
    }
    source->Seek(0);
    // A copy of a damaged file is never passed off as whole, even when every byte the
    // reader now believes in came back.
    const bool damaged = file.IsDamaged() || source->IsDamaged();

    for (std::uint64_t copied = 0; copied < size;) {
        cJob::ThrowIfAborted();
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunk, size - copied));
        // What a short read did give is kept: for a damaged or partly overwritten file the
        // part before the damage is often what the user needs.
        const std::uint32_t got = source->Read(buffer, chunk);
        if (target.WriteAt(buffer, got, copied) != got) {
            return copyresult::kCannotWriteTarget;
        }
        if (got != chunk) {
            return damaged ? copyresult::kDamaged : copyresult::kCannotReadSource;
        }
        copied += chunk;
        // A file read in one piece has no progress to tell.
        if (progress && size > kChunk &&
            !progress->OnProgress(double(copied) * 100.0 / double(size))) {
            return copyresult::kStopped;
        }
    }
    return damaged ? copyresult::kDamaged : copyresult::kDone;
}

unsigned CopyFileNow(const cFSObject& file, const std::u16string& targetPath) {
    platform::StorageFile target;
    if (!target.Create(utf::ToUtf8(targetPath))) {
        return copyresult::kCannotCreateTarget;
    }
    std::vector<std::uint8_t> buffer(kChunk);
    return WriteFileData(file, target, buffer.data(), nullptr);
}

} // namespace copydata
