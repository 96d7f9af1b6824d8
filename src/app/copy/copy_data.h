#pragma once
// Writing one file's data out: the read-and-write loop the copy job runs for every file,
// and the copy quick view makes at once, on its own thread, of a small file.

#include "base/progress.h"
#include "vfs/fs_object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class StorageFile;
}

namespace copydata {

// Files up to this size are read in one piece; larger ones in pieces of this size.
inline constexpr std::uint32_t kChunk = 65536;

// What the copy makes of the object: fskind::kFolder or fskind::kFile (a deleted entry
// counts as what it was before it was deleted), or 0 for what it passes over.
std::uint32_t CopiedKind(const cFSObject& object);

// A request of exactly one file, which is copied to a file path rather than into a folder.
bool IsSingleFile(const std::vector<std::unique_ptr<cFSObject>>& objects);

// Whether the walk of folder copies its listed entry: never "." or "..", and deleted
// entries only out of a deleted folder.
bool IsCopiedChild(const cFSObject& folder, const cFSObject& entry);

// Writes the file's data into target, a file just created empty, through buffer of kChunk
// bytes. After each piece of a large file progress (when there is one) hears the percent
// done and may stop the copy. The result is a copyresult code; a failed or stopped copy
// leaves what was written so far.
unsigned WriteFileData(const cFSObject& file, platform::StorageFile& target, std::uint8_t* buffer,
                       cProgressNotifyTarget* progress);

// Copies the file to targetPath on the calling thread, replacing any file there: no
// question, no log, no progress. Meant for files of at most kChunk bytes.
unsigned CopyFileNow(const cFSObject& file, const std::u16string& targetPath);

} // namespace copydata
