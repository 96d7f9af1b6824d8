// drovik-cli cp SOURCE [--part P] PATH... DEST: copies files and folder trees out of a
// file system with the program's copy flow, and writes its report on request.

#include "app/copy/copy_data.h"
#include "app/copy/copy_files_job.h"
#include "app/copy/copy_report.h"
#include "app/copy/copy_texts.h"
#include "app/copy/target_names.h"
#include "base/lang/builtin_packs.h"
#include "base/sync.h"
#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"
#include "platform/clock.h"
#include "platform/local_files.h"
#include "platform/terminal.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

int RunCp(const std::vector<std::string>& words);

const cli::Command
    kCp("cp", "copy files and folder trees out, with a report",
        "usage: drovik-cli cp SOURCE [--part P | --at START[:LENGTH]] [--partlist F]\n"
        "                     [--result FILE.drdb | --deleted] PATH... DEST\n"
        "                     [--on-conflict CHOICE]\n"
        "                     [--report FILE [--report-encoding utf-8|utf-16]] [--force]\n\n"
        "Copies the files and folders PATH (folders with everything below them) of the file\n"
        "system on partition P of SOURCE into the local folder DEST, which is created when it\n"
        "does not exist. PATH \"/\" copies everything the root folder holds. A single file may\n"
        "also be copied to a new file name: drovik-cli cp disk.img /a.txt saved-a.txt\n"
        "(written as saved-a.txt/ it is a folder the file goes into). Without --part the only\n"
        "partition with a file system is read. SOURCE is never written to.\n\n"
        "With --result FILE.drdb the tree of found files saved in FILE is loaded onto partition\n"
        "P and read instead of the partition's file system (files that were found through\n"
        "the file system's own records still read through it). A result that cannot be read\n"
        "is an error.\n\n"

        "A deleted file or folder is copied when PATH names it ('ls --deleted' shows them);\n"
        "what a deleted folder still lists comes with it. Folders walked on the way give their\n"
        "live entries only. A deleted file whose data was partly reused is copied as far as it\n"
        "could be read and reported as not copied. On an NTFS volume --deleted reads the\n"
        "deleted files 'ls --deleted' lists there, by the paths it gives them.\n\n"
        "Names that other file systems reject are written with replacements (? becomes ~,\n"
        "\" becomes ', * becomes @, / becomes =, \\ becomes -, : and | become _); a name that\n"
        "would leave DEST (empty, \".\" or \"..\") becomes \"object\" and the object's number.\n\n"
        "Before anything is written the sizes of the files are added up; when DEST's file\n"
        "system has less room the copy is refused.\n\n"
        "Options:\n"
        "  --on-conflict keep|replace|rename\n"
        "        what to do when a file of the same name already exists in DEST: keep the\n"
        "        existing file and skip the new one, replace it, or write the new file as\n"
        "        NAME(1).EXT (the first free number). Without this option the question is\n"
        "        asked on the terminal; when stdin is not a terminal, rename is chosen.\n"
        "  --report FILE\n"
        "        after the copy, write its report to FILE: the objects asked for, DEST, and\n"
        "        one line per object that could not be copied.\n"
        "  --report-encoding utf-8|utf-16\n"
        "        the report's text: UTF-8 with LF line ends (the default), or UTF-16LE with a\n"
        "        byte-order mark and CR LF, as the window saves it.\n"
        "  --force\n"
        "        copy even when DEST's file system has less room than the files need.\n\n"
        "A PATH that does not exist is reported and the others are still copied. Objects that\n"
        "cannot be copied are reported on stderr, with the system's reason where there is\n"
        "one, and the copy goes on with the next one. Ctrl-C stops the copy; the file being\n"
        "written stays as far as it got. On a terminal a progress line is shown on stderr\n"
        "while a long copy runs; at the end one line on stderr sums up the objects and bytes\n"
        "copied, the failures and the time taken.\n\n"
        "Exit status: 0 when every object was copied (or kept by your choice), 1 when some\n"
        "could not be copied, a PATH was missing or nothing could start, 2 for a usage error,\n"
        "3 when stopped.\n",
        RunCp);

constexpr int kSomeNotCopied = 1;
constexpr int kStoppedExit = 3;

std::optional<cConflictChoice> ParseConflictChoice(const std::string& text) {
    if (text == "keep") {
        return cConflictChoice::KeepExisting;
    }
    if (text == "replace") {
        return cConflictChoice::Replace;
    }
    if (text == "rename") {
        return cConflictChoice::Rename;
    }
    return std::nullopt;
}

// The copy as the terminal shows it: failures as lines on stderr, conflicts as questions
// (or the choice given on the command line), and a progress line while a long copy runs.
class cTerminalFront final : public cCopyFilesFront {
public:
    cTerminalFront(std::optional<cConflictChoice> choice, bool force, bool showProgress)
        : choice_(choice), force_(force), showProgress_(showProgress),
          startedAt_(platform::MonotonicMilliseconds()) {}

    cEvent& Finished() { return finished_; }
    // Removes the progress line before anything else is written.
    void ClearProgress() {
        if (progressShown_) {
            std::fputs("\r\033[K", stderr);
        }
        progressShown_ = false;
    }

    void OnCurrentLine(std::u16string_view text) override {
        processing_ = utf::ToUtf8(text);
        ++objects_;
        DrawProgress(-1);
    }
    void OnLineFinished(std::u16string_view text) override {
        ClearProgress();
        std::fprintf(stderr, "%s\n", utf::ToUtf8(text).c_str());
    }
    void OnProgressBar(int position) override { DrawProgress(position); }
    void OnCopyFinished(unsigned) override { finished_.Set(); }

    bool AskCopyWithoutRoom(std::uint64_t needed, std::uint64_t available) override {
        ClearProgress();
        std::fprintf(stderr,
                     "drovik-cli cp: %s: %llu bytes to copy, %llu bytes free at the "
                     "destination%s\n",
                     force_ ? "warning" : "refused", static_cast<unsigned long long>(needed),
                     static_cast<unsigned long long>(available),
                     force_ ? "; copying all the same (--force)" : "; --force copies all the same");
        return force_;
    }

    cConflictReply AskOverwrite(std::u16string_view targetPath) override {
        if (choice_) {
            return {*choice_, true};
        }
        ClearProgress();
        const auto text = [](int number) {
            return utf::ToUtf8(copytext::Text(number, copytext::kConflictSection));
        };
        std::fprintf(stderr,
                     "%s: %s\n  1) %s\n  2) %s\n  3) %s\n"
                     "Answer 1, 2 or 3; add 'a' (\"3a\") for: %s\n",
                     text(0).c_str(), utf::ToUtf8(targetPath).c_str(), text(1).c_str(),
                     text(2).c_str(), text(3).c_str(), text(4).c_str());
        for (std::string answer; std::fputs("> ", stderr), std::getline(std::cin, answer);) {
            const bool all = answer.size() == 2 && (answer[1] == 'a' || answer[1] == 'A');
            if (answer.size() == 1 || all) {
                if (answer[0] == '1') {
                    return {cConflictChoice::Replace, all};
                }
                if (answer[0] == '2') {
                    return {cConflictChoice::KeepExisting, all};
                }
                if (answer[0] == '3') {
                    return {cConflictChoice::Rename, all};
                }
            }
        }
        // End of input: like closing the question, the existing file stays.
        return {};
    }

private:
    // Redraws at most five times a second, and only once the copy has run for a second.
    void DrawProgress(int position) {
        if (!showProgress_) {
            return;
        }
        const std::uint64_t now = platform::MonotonicMilliseconds();
        if (now - startedAt_ < 1000 || now - drawnAt_ < 200) {
            return;
        }
        drawnAt_ = now;
        std::string line = "[" + std::to_string(objects_) + "] " + processing_;
        if (position > 0) {
            line += " " + std::to_string(position / 10) + "%";
        }
        // Keep the line short enough not to wrap on a narrow terminal.
        if (line.size() > 100) {
            line = line.substr(0, 48) + "..." + line.substr(line.size() - 48);
        }
        std::fprintf(stderr, "\r\033[K%s", line.c_str());
        progressShown_ = true;
    }

    const std::optional<cConflictChoice> choice_;
    const bool force_;
    const bool showProgress_;
    const std::uint64_t startedAt_;
    std::uint64_t drawnAt_ = 0;
    std::uint64_t objects_ = 0;
    std::string processing_;
    bool progressShown_ = false;
    cEvent finished_{true};
};

// The objects PATH names: the entry itself (a deleted one too), or for the root folder
// what it holds. No, after saying why, when there is nothing there to copy.
bool AddRequested(cVFS& fs, const std::string& path,
                  std::vector<std::unique_ptr<cFSObject>>& objects) {
    std::unique_ptr<cFSObject> entry = fs.FindByPath(utf::FromUtf8(path), fs.GetRootId());
    if (!entry) {
        cli::Fail("cp", "no such entry: " + path);
        return false;
    }
    if (entry->Kind() == fskind::kFolder && entry->id == fs.GetRootId()) {
        const bool listed = fs.EnumFolder(*entry, [&](cFSObject& child) {
            if (copydata::IsCopiedChild(*entry, child)) {
                objects.push_back(child.Clone());
            }
            return true;
        });
        if (!listed) {
            cli::Fail("cp", "cannot read the root folder");
            return false;
        }
        return true;
    }
    if (copydata::CopiedKind(*entry) == 0) {
        cli::Fail("cp", path + " is not a file or folder (volume labels are not copied)");
        return false;
    }
    objects.push_back(std::move(entry));
    return true;
}

// DEST as an absolute path without a trailing '/'.
std::string AbsoluteDestination(const std::string& dest) {
    std::string path = std::filesystem::absolute(dest).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Where the copy goes: a folder (made when missing), or for a single file the file's own
// path unless DEST is a folder or is written as one ("dir/"). Nothing after an error.
std::optional<std::string> PrepareTarget(const std::string& dest,
                                         const std::vector<std::unique_ptr<cFSObject>>& objects) {
    std::string target = AbsoluteDestination(dest);
    const bool namedAsFolder = !dest.empty() && dest.back() == '/';
    const platform::LocalPathKind kind = platform::ProbeLocalPath(target);
    const bool singleFile = copydata::IsSingleFile(objects);
    if (singleFile && !namedAsFolder && kind != platform::LocalPathKind::Directory) {
        return target;
    }
    if (kind == platform::LocalPathKind::Missing) {
        errno = 0;
        if (platform::CreateLocalFolder(target) == platform::LocalFolderResult::Failed) {
            cli::Fail("cp", "cannot create the folder " + target + ": " + cli::SystemReason());
            return std::nullopt;
        }
    } else if (kind != platform::LocalPathKind::Directory) {
        cli::Fail("cp", target + " is not a folder");
        return std::nullopt;
    }
    if (!singleFile) {
        return target;
    }
    const std::optional<std::u16string> inside =
        copynames::PathInFolder(utf::FromUtf8(target), *objects.front());
    if (!inside) {
        cli::Fail("cp", "cannot make a local name for " + utf::ToUtf8(objects.front()->name));
        return std::nullopt;
    }
    return utf::ToUtf8(*inside);
}

// One line for scripts and people alike: what was done, what failed, and how long it took.
void PrintSummary(const cCopyFilesJob& job, std::uint64_t missing, std::uint64_t milliseconds) {
    std::fprintf(stderr,
                 "drovik-cli cp: %llu objects copied (%llu bytes), %llu failed, %llu.%01llu s\n",
                 static_cast<unsigned long long>(job.CopiedObjects()),
                 static_cast<unsigned long long>(job.CopiedBytes()),
                 static_cast<unsigned long long>(job.Failures() + missing),
                 static_cast<unsigned long long>(milliseconds / 1000),
                 static_cast<unsigned long long>(milliseconds % 1000 / 100));
}

int RunCp(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result", "--on-conflict",
                                 "--report", "--report-encoding"});
    if (args.WantsHelp()) {
        std::fputs(kCp.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--force", "--deleted"}); !unknown.empty()) {
        return cli::UsageError(kCp, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (positional.size() < 3) {
        return cli::UsageError(kCp, "expected SOURCE, PATH and DEST");
    }
    std::optional<cConflictChoice> choice;
    if (const auto text = args.Option("--on-conflict")) {
        choice = ParseConflictChoice(*text);
        if (!choice) {
            return cli::UsageError(kCp, "--on-conflict takes keep, replace or rename");
        }
    } else if (!platform::StdinIsTerminal()) {
        choice = cConflictChoice::Rename;
    }
    copyreport::Encoding encoding = copyreport::Encoding::Utf8;
    if (const auto text = args.Option("--report-encoding")) {
        if (*text == "utf-16") {
            encoding = copyreport::Encoding::Utf16Le;
        } else if (*text != "utf-8") {
            return cli::UsageError(kCp, "--report-encoding takes utf-8 or utf-16");
        }
    }

    const std::uint64_t startedAt = platform::MonotonicMilliseconds();
    std::optional<cli::Volume> volume = cli::OpenVolume(
        "cp", positional.front(), cli::ChosenPartition(args), args.Option("--result"));
    if (!volume || (args.Flag("--deleted") && !cli::ReadDeletedNtfsFiles("cp", *volume))) {
        return kSomeNotCopied;
    }
    std::vector<std::unique_ptr<cFSObject>> objects;
    std::uint64_t missing = 0;
    for (std::size_t i = 1; i + 1 < positional.size(); ++i) {
        if (!AddRequested(*volume->fs, positional[i], objects)) {
            ++missing;
        }
    }
    // Nothing left to copy after a missing path; an empty root folder still is a copy.
    if (objects.empty() && missing != 0) {
        return kSomeNotCopied;
    }
    const std::optional<std::string> target = PrepareTarget(positional.back(), objects);
    if (!target) {
        return kSomeNotCopied;
    }

    // The copy's log lines and report keep the Russian texts they have always had.
    lang::RegisterPacksFor(lang::eLanguage::Russian);
    platform::CatchInterrupts();
    cTerminalFront front(choice, args.Flag("--force"), platform::StderrIsTerminal());
    cCopyFilesJob job(&front, std::move(objects), utf::FromUtf8(*target));
    if (!job.Start()) {
        return cli::Fail("cp", "cannot start the copy");
    }
    while (!front.Finished().WaitFor(100)) {
        if (platform::InterruptRequested()) {
            job.RequestStop();
        }
    }
    job.Stop();
    front.ClearProgress();

    int exitCode = 0;
    if (job.WasStopped()) {
        exitCode = kStoppedExit;
    } else if (job.HadErrors() || missing != 0) {
        if (job.HadErrors()) {
            std::fprintf(stderr, "%s\n", utf::ToUtf8(job.CurrentLine()).c_str());
        }
        exitCode = kSomeNotCopied;
    }
    if (const auto reportPath = args.Option("--report")) {
        const std::string bytes =
            copyreport::Build(job.Objects(), job.Target(), job.FinishedLines(), encoding);
        errno = 0;
        const copyreport::WriteResult written = copyreport::Write(*reportPath, bytes);
        if (written != copyreport::WriteResult::Written) {
            cli::Fail("cp", utf::ToUtf8(copytext::Text(copyreport::FailureText(written))) + ": " +
                                *reportPath + ": " + cli::SystemReason());
            if (exitCode == 0) {
                exitCode = kSomeNotCopied;
            }
        }
    }
    PrintSummary(job, missing, platform::MonotonicMilliseconds() - startedAt);
    return exitCode;
}

} // namespace
