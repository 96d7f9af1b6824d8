#include "app/copy/copy_files_job.h"

#include "app/copy/copy_data.h"
#include "app/copy/copy_result.h"
#include "app/copy/copy_space.h"
#include "app/copy/copy_texts.h"
#include "app/copy/target_names.h"
#include "base/format_text.h"
#include "base/utf.h"
#include "platform/local_files.h"
#include "platform/storage_file.h"
#include "vfs/vfs.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace {

std::string LocalPath(const std::u16string& path) {
    return utf::ToUtf8(path);
}

// The folder that receives the copy: the target itself, or a single file's folder.
std::u16string TargetFolder(const std::u16string& target, bool singleFile) {
    if (!singleFile) {
        return target;
    }
    const std::size_t slash = target.rfind(u'/');
    if (slash == std::u16string::npos) {
        return u".";
    }
    return slash == 0 ? u"/" : target.substr(0, slash);
}

} // namespace

cCopyFilesJob::cCopyFilesJob(cCopyFilesFront* front,
                             std::vector<std::unique_ptr<cFSObject>> objects, std::u16string target)
    : front_(front), objects_(std::move(objects)), target_(std::move(target)) {}

cCopyFilesJob::~cCopyFilesJob() {
    Stop();
}

unsigned cCopyFilesJob::Run() {
    if (!AllocateOwnedBuffer(kChunk)) {
        StartObject(target_);
        LogResult(copyresult::kOutOfMemory);
        return copyresult::kOutOfMemory;
    }
    if (!RoomForCopy()) {
        return copyresult::kNoRoom;
    }
    if (copydata::IsSingleFile(objects_)) {
        StartObject(target_);
        const unsigned result = CopyFile(*objects_.front(), target_);
        if (result != copyresult::kStopped) {
            LogResult(result);
        }
        return result;
    }
    std::vector<std::uint64_t> ancestors;
    for (const auto& object : objects_) {
        const unsigned result = CopyInto(*object, target_, ancestors);
        if (result == copyresult::kStopped || IsStopRequested()) {
            return copyresult::kStopped;
        }
    }
    return copyresult::kDone;
}

void cCopyFilesJob::OnFinish(unsigned result) {
    if (abortedByForce_) {
        result = copyresult::kStopped;
    }
    result_ = result;
    if (result == copyresult::kStopped) {
        stopped_ = true;
        FinishLine(copytext::Text(*copyresult::ReasonText(copyresult::kStopped)));
    }
    if (errors_) {
        SetCurrentLine(copytext::Text(copytext::kFinished));
    }
    if (front_) {
        front_->OnCopyFinished(result);
    }
}

bool cCopyFilesJob::OnProgress(double percent) {
    if (IsStopRequested()) {
        return false;
    }
    if (!front_) {
        return true;
    }
    front_->OnProgressBar(static_cast<int>(percent * 10));
    return !IsStopRequested();
}

unsigned cCopyFilesJob::CopyInto(const cFSObject& object, const std::u16string& folder,
                                 std::vector<std::uint64_t>& ancestors) {
    const std::uint32_t kind = copydata::CopiedKind(object);
    if (kind == 0) {
        return copyresult::kDone;
    }
    const std::optional<std::u16string> joined = copynames::PathInFolder(folder, object);
    const std::u16string path = joined.value_or(folder);
    StartObject(path);
    if (IsStopRequested()) {
        return copyresult::kStopped;
    }
    if (!joined) {
        LogResult(copyresult::kCannotCreateTarget);
        return IsStopRequested() ? copyresult::kStopped : copyresult::kCannotCreateTarget;
    }
    if (kind == fskind::kFolder) {
        return CopyFolder(object, path, ancestors);
    }

    const unsigned result = CopyFile(object, path);
    if (result != copyresult::kStopped) {
        LogResult(result);
    }
    return IsStopRequested() ? copyresult::kStopped : result;
}

unsigned cCopyFilesJob::CopyFolder(const cFSObject& folder, const std::u16string& path,
                                   std::vector<std::uint64_t>& ancestors) {
    const auto fail = [&](unsigned result) {
        LogResult(result);
        return IsStopRequested() ? copyresult::kStopped : result;
    };
    if (!folder.fileSystem) {
        return fail(copyresult::kNoFileSystem);
    }
    if (std::find(ancestors.begin(), ancestors.end(), folder.id) != ancestors.end()) {
        return fail(copyresult::kCannotReadSource);
    }
    errno = 0;
    if (platform::CreateLocalFolder(LocalPath(path)) == platform::LocalFolderResult::Failed) {
        return fail(LocalFailure(copyresult::kCannotCreateFolder));
    }
    ++copiedObjects_;

    // The children are listed first and copied afterwards, so that the reader is never
    // asked to open or list other objects while it is in the middle of a listing.
    std::vector<std::unique_ptr<cFSObject>> children;
    const bool listed = folder.fileSystem->EnumFolder(folder, [&](cFSObject& entry) {
        cJob::ThrowIfAborted();
        if (IsStopRequested()) {
            return false;
        }
        if (copydata::IsCopiedChild(folder, entry)) {
            children.push_back(entry.Clone());
        }
        return true;
    });
    if (IsStopRequested()) {
        return copyresult::kStopped;
    }
    // A folder that cannot be listed to its end must not pass for copied: what it did
    // list is still copied, but the folder is logged as unreadable.
    unsigned result = copyresult::kDone;
    if (!listed) {
        result = fail(copyresult::kCannotReadSource);
    }

    ancestors.push_back(folder.id);
    for (const auto& child : children) {
        if (IsStopRequested() || CopyInto(*child, path, ancestors) == copyresult::kStopped) {
            result = copyresult::kStopped;
            break;
        }
    }
    ancestors.pop_back();
    return result;
}

unsigned cCopyFilesJob::CopyFile(const cFSObject& file, const std::u16string& targetPath) {
    std::u16string path = targetPath;
    const platform::LocalPathKind existing = platform::ProbeLocalPath(LocalPath(path));
    if (existing != platform::LocalPathKind::Missing) {
        // A folder, device or link in the way is never replaced or written through.
        const cConflictChoice choice = existing == platform::LocalPathKind::RegularFile
                                           ? ChooseOnConflict(path)
                                           : cConflictChoice::Rename;
        if (choice == cConflictChoice::KeepExisting) {
            return copyresult::kDone;
        }
        if (choice == cConflictChoice::Rename) {
            auto free = copynames::FirstFreeNumberedPath(path, [](const std::u16string& candidate) {
                return platform::ProbeLocalPath(LocalPath(candidate)) !=
                       platform::LocalPathKind::Missing;
            });
            if (!free) {
                return copyresult::kCannotCreateTarget;
            }
            path = std::move(*free);
        }
    }
    platform::StorageFile target;
    errno = 0;
    if (!target.Create(LocalPath(path))) {
        return LocalFailure(copyresult::kCannotCreateTarget);
    }
    errno = 0;
    const unsigned result = copydata::WriteFileData(file, target, OwnedBuffer(), this);
    if (result == copyresult::kCannotWriteTarget) {
        return LocalFailure(result);
    }
    if (result == copyresult::kDone) {
        ++copiedObjects_;
        copiedBytes_ += file.size;
    }
    return result;
}

unsigned cCopyFilesJob::LocalFailure(unsigned result) {
    systemError_ = errno;
    return result;
}

bool cCopyFilesJob::RoomForCopy() {
    const std::optional<std::uint64_t> available = platform::FreeLocalBytes(
        LocalPath(TargetFolder(target_, copydata::IsSingleFile(objects_))));
    if (!available) {
        return true;
    }
    const std::uint64_t needed =
        copyspace::BytesToWrite(objects_, [this] { return IsStopRequested(); });
    if (needed <= *available || !front_ || front_->AskCopyWithoutRoom(needed, *available)) {
        return true;
    }
    StartObject(target_);
    LogResult(copyresult::kNoRoom,
              FormatText(copytext::Text(copytext::kRoomNeeded),
                         {std::u16string_view(utf::FromAscii(std::to_string(needed))),
                          std::u16string_view(utf::FromAscii(std::to_string(*available)))}));
    return false;
}

cConflictChoice cCopyFilesJob::ChooseOnConflict(const std::u16string& targetPath) {
    if (conflictChoice_ != cConflictChoice::NotChosen && applyToAll_) {
        return conflictChoice_;
    }
    if (front_) {
        const cConflictReply reply = front_->AskOverwrite(targetPath);
        conflictChoice_ = reply.choice;
        applyToAll_ = reply.applyToAll;
    }
    if (conflictChoice_ == cConflictChoice::NotChosen) {
        conflictChoice_ = cConflictChoice::Replace;
        applyToAll_ = true;
    }
    return conflictChoice_;
}

void cCopyFilesJob::StartObject(const std::u16string& targetPath) {
    currentPath_ = targetPath;
    SetCurrentLine(
        FormatText(copytext::Text(copytext::kProcessing), {std::u16string_view(targetPath)}));
}

void cCopyFilesJob::LogResult(unsigned result, std::u16string detail) {
    if (front_) {
        front_->OnProgressBar(0);
    }
    const int systemError = std::exchange(systemError_, 0);
    if (result == copyresult::kDone) {
        return;
    }
    const auto reason = copyresult::ReasonText(result);
    std::u16string reasonText = reason ? copytext::Text(*reason) : std::u16string();
    if (systemError != 0) {
        detail = utf::FromUtf8(std::error_code(systemError, std::generic_category()).message());
    }
    if (!detail.empty()) {
        reasonText += u" (" + detail + u")";
    }
    ++failures_;
    FinishLine(FormatText(copytext::Text(copytext::kObjectFailed),
                          {std::u16string_view(currentPath_), std::u16string_view(reasonText)}));
    errors_ = true;
}

void cCopyFilesJob::SetCurrentLine(std::u16string text) {
    currentLine_ = std::move(text);
    if (front_) {
        front_->OnCurrentLine(currentLine_);
    }
}

void cCopyFilesJob::FinishLine(std::u16string text) {
    finishedLines_.push_back(std::move(text));
    currentLine_.clear();
    if (front_) {
        front_->OnLineFinished(finishedLines_.back());
    }
}
