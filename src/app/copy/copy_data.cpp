#include "app/copy/copy_data.h"

#include "app/copy/copy_result.h"
#include "base/job.h"
#include "base/utf.h"
#include "platform/storage_file.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <vector>

namespace copydata {

unsigned WriteFileData(const cFSObject& file, platform::StorageFile& target, std::uint8_t* buffer,
                       cProgressNotifyTarget* progress) {
    const std::uint64_t size = file.size;
    if (size == 0)
        return copyresult::kDone;
    if (!file.fileSystem)
        return copyresult::kNoFileSystem;
    const std::unique_ptr<cObjectHandle> source = file.fileSystem->OpenObject(file);
    if (!source || !source->IsOpen())
        return copyresult::kCannotOpenSource;
    source->Seek(0);

    if (size <= kChunk) {
        const auto length = static_cast<std::uint32_t>(size);
        if (source->Read(buffer, length) != length)
            return copyresult::kCannotReadSource;
        if (target.WriteAt(buffer, length, 0) != length)
            return copyresult::kCannotWriteTarget;
        return copyresult::kDone;
    }
    for (std::uint64_t copied = 0; copied < size;) {
        cJob::ThrowIfAborted();
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunk, size - copied));
        if (source->Read(buffer, chunk) != chunk)
            return copyresult::kCannotReadSource;
        if (target.WriteAt(buffer, chunk, copied) != chunk)
            return copyresult::kCannotWriteTarget;
        copied += chunk;
        if (progress && !progress->OnProgress(double(copied) * 100.0 / double(size)))
            return copyresult::kStopped;
    }
    return copyresult::kDone;
}

unsigned CopyFileNow(const cFSObject& file, const std::u16string& targetPath) {
    platform::StorageFile target;
    if (!target.Create(utf::ToUtf8(targetPath)))
        return copyresult::kCannotCreateTarget;
    std::vector<std::uint8_t> buffer(kChunk);
    return WriteFileData(file, target, buffer.data(), nullptr);
}

} // namespace copydata
