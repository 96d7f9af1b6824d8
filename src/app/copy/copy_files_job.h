#pragma once
// Copying chosen objects of a file system out to a local folder: files are written with
// their data read through the reader's object handles, folders are copied recursively,
// name conflicts are settled with the front (or replaced, without one), and every failure
// is logged while the copy goes on with the next object. Only a stop ends a run early.
//
// A request of exactly one file copies it to the target as a full file path; any other
// request copies each object into the target as a folder.

#include "app/copy/copy_data.h"
#include "app/copy/copy_front.h"
#include "app/copy/copy_result.h"
#include "base/job.h"
#include "base/progress.h"
#include "vfs/fs_object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cCopyFilesJob : public cJob, public cProgressNotifyTarget {
public:
    static constexpr std::uint32_t kChunk = copydata::kChunk;

    // front may be null: then conflicts replace the existing files without asking.
    cCopyFilesJob(cCopyFilesFront* front, std::vector<std::unique_ptr<cFSObject>> objects,
                  std::u16string target);
    ~cCopyFilesJob() override;

    // False when the worker should stop; passes the position on to the front otherwise.
    bool OnProgress(double percent) override;

    // Read these once the run has ended.
    const std::vector<std::unique_ptr<cFSObject>>& Objects() const { return objects_; }
    const std::u16string& Target() const { return target_; }
    // The finished log lines, in order (the report's error log).
    const std::vector<std::u16string>& FinishedLines() const { return finishedLines_; }
    const std::u16string& CurrentLine() const { return currentLine_; }
    // The run's result (copyresult): kDone, kStopped, or a single file's own result.
    unsigned Result() const { return result_; }
    bool HadErrors() const { return errors_; }
    bool WasStopped() const { return stopped_; }
    // Files written whole and folders made (or merged into), and the bytes of those files.
    std::uint64_t CopiedObjects() const { return copiedObjects_; }
    std::uint64_t CopiedBytes() const { return copiedBytes_; }
    // Objects that failed, each with its line in the log.
    std::uint64_t Failures() const { return failures_; }

protected:
    unsigned Run() override;
    void OnAbort() override { abortedByForce_ = true; }
    void OnFinish(unsigned result) override;

private:
    // Copies a folder or file into folder; other kinds are passed over. ancestors holds
    // the ids of the source folders being walked, so that a damaged folder naming one of
    // its ancestors as a child cannot make the walk endless.
    unsigned CopyInto(const cFSObject& object, const std::u16string& folder,
                      std::vector<std::uint64_t>& ancestors);
    unsigned CopyFolder(const cFSObject& folder, const std::u16string& path,
                        std::vector<std::uint64_t>& ancestors);
    unsigned CopyFile(const cFSObject& file, const std::u16string& targetPath);
    cConflictChoice ChooseOnConflict(const std::u16string& targetPath);
    // No when the files will not fit on the target's file system and the front says not
    // to go on; the run then ends with copyresult::kNoRoom, logged.
    bool RoomForCopy();
    // Keeps the system's reason for a failure of the local file system (errno), which
    // the log line of result names beside the program's text.
    unsigned LocalFailure(unsigned result);

    void StartObject(const std::u16string& targetPath);
    void LogResult(unsigned result, std::u16string detail = {});
    void SetCurrentLine(std::u16string text);
    void FinishLine(std::u16string text);

    cCopyFilesFront* const front_;
    std::vector<std::unique_ptr<cFSObject>> objects_;
    std::u16string target_;
    cConflictChoice conflictChoice_ = cConflictChoice::NotChosen;
    bool applyToAll_ = false;

    std::u16string currentPath_;
    std::u16string currentLine_;
    std::vector<std::u16string> finishedLines_;
    unsigned result_ = copyresult::kDone;
    bool errors_ = false;
    bool stopped_ = false;
    bool abortedByForce_ = false;
    int systemError_ = 0;
    std::uint64_t copiedObjects_ = 0;
    std::uint64_t copiedBytes_ = 0;
    std::uint64_t failures_ = 0;
};
