#pragma once
// What the copy job needs from whoever shows the copy: the copy window (with actions sent
// to the window thread) or the terminal. Every call comes from the job's worker thread;
// AskOverwrite blocks it until the answer is there.

#include <cstdint>
#include <string_view>

enum class cConflictChoice : unsigned char {
    NotChosen = 0,
    KeepExisting = 1, // the new file is not copied
    Replace = 2,
    Rename = 3, // the new file is written under a numbered name beside the old one
};

struct cConflictReply {
    // Closing the question without an answer keeps the existing file.
    cConflictChoice choice = cConflictChoice::KeepExisting;
    bool applyToAll = false;
};

class cCopyFilesFront {
public:
    virtual ~cCopyFilesFront() = default;

    // The log: the current line now reads text (it is replaced until finished)...
    virtual void OnCurrentLine(std::u16string_view text) {}
    // ...or was finished with text, and the next line starts.
    virtual void OnLineFinished(std::u16string_view text) {}
    // Progress of the file being copied, 0 to 1000; 0 when a file is done.
    virtual void OnProgressBar(int position) {}
    // A regular file already stands at targetPath.
    virtual cConflictReply AskOverwrite(std::u16string_view targetPath) = 0;
    // The files to copy hold more bytes than the target's file system has free: yes goes on
    // all the same, no ends the run before anything is written.
    virtual bool AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) = 0;
    // The run has ended with this result (copyresult); the log is complete.
    virtual void OnCopyFinished(unsigned result) {}
};
