// drovik-cli ls SOURCE [--part P] [PATH] [-r] [--deleted]: a folder listing of a file
// system, one entry per line with its full path.

#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

int RunLs(const std::vector<std::string>& words);

const cli::Command
    kLs("ls", "list a folder of a file system",
        "usage: drovik-cli ls SOURCE [--part P | --at START[:LENGTH]] [--partlist F] [--result "
        "FILE.drdb]\n"
        "                     [PATH] [-r] [--deleted]\n"
        "                     [--json]\n\n"
        "Lists the folder PATH (default: the root) of the file system on partition P of SOURCE\n"
        "(a drive such as Drive0, a device node or an image file; 'drovik-cli parts' shows the\n"
        "partition paths). Without --part the only partition with a file system is read.\n\n"
        "With --result FILE.drdb the tree of found files saved in FILE is loaded onto partition\n"
        "P and read instead of the partition's file system (files that were found through\n"
        "the file system's own records still read through it). A result that cannot be read\n"
        "is an error.\n\n"

        "Columns: kind, size in bytes, modification time, object id, full path; an entry the\n"
        "file system shows inconsistent (a size beyond what backs it, data outside the volume,\n"
        "a deleted file cut short) ends with [damaged], and reading it may stop early.\n\n"
        "  -r         list sub-folders too, depth first\n"
        "  --deleted  include deleted entries that the file system still shows (FAT,\n"
        "             exFAT); on NTFS list instead the deleted files the MFT's records still\n"
        "             describe, under the folders their parents give (cat and cp --deleted\n"
        "             read them)\n"
        "  --json     one JSON object per entry: path, kind (folder, file, deleted, volname),\n"
        "             size, mtime (YYYY-MM-DDTHH:MM:SS or null), id, damaged\n",
        RunLs);

// Folders nested deeper than this are not entered: only a damaged volume goes that deep.
constexpr unsigned kMaxDepth = 256;

struct Options {
    bool recursive = false;
    bool deleted = false;
    bool json = false;
};

const char* KindName(std::uint32_t kind) {
    switch (kind) {
    case fskind::kFolder:
        return "folder";
    case fskind::kFile:
        return "file";
    case fskind::kDeleted:
        return "deleted";
    case fskind::kVolName:
        return "volname";
    default:
        return "object";
    }
}

std::string JoinPath(const std::string& folder, const std::u16string& name) {
    return (folder == "/" ? folder : folder + "/") + utf::ToUtf8(name);
}

void PrintEntry(const cFSObject& entry, const std::string& path, const Options& options) {
    const std::optional<std::string> mtime = cli::FormatTime(entry.mtime);
    if (options.json) {
        cli::JsonObject row;
        row.Add("path", path).Add("kind", KindName(entry.Kind())).Add("size", entry.size);
        mtime ? row.Add("mtime", *mtime) : row.AddNull("mtime");
        row.Add("id", entry.id).Add("damaged", entry.IsDamaged()).Print();
        return;
    }
    std::printf("%-8s %12llu %-19s %10llu %s%s\n", KindName(entry.Kind()),
                static_cast<unsigned long long>(entry.size), mtime.value_or("-").c_str(),
                static_cast<unsigned long long>(entry.id), path.c_str(),
                entry.IsDamaged() ? " [damaged]" : "");
}

class Lister {
public:
    Lister(cVFS& fs, const Options& options) : fs_(fs), options_(options) {}

    // No when a folder could not be listed completely; what was listed is printed.
    bool List(const cFSObject& folder, const std::string& path, unsigned depth) {
        entered_.insert(folder.id);
        std::vector<std::unique_ptr<cFSObject>> entries;
        const bool complete = fs_.EnumFolder(folder, [&entries](cFSObject& entry) {
            entries.push_back(entry.Clone());
            return true;
        });
        if (!complete) {
            std::fprintf(stderr, "drovik-cli ls: %s: the folder could not be read completely\n",
                         path.c_str());
        }
        bool ok = complete;
        for (const auto& entry : entries) {
            const bool dots =
                entry->Kind() == fskind::kFolder && (entry->name == u"." || entry->name == u"..");
            if (dots || (entry->Kind() == fskind::kDeleted && !options_.deleted)) {
                continue;
            }
            const std::string entryPath = JoinPath(path, entry->name);
            PrintEntry(*entry, entryPath, options_);
            // A folder already entered means the volume links folders in a loop.
            if (options_.recursive && entry->Kind() == fskind::kFolder && depth < kMaxDepth &&
                !entered_.count(entry->id)) {
                ok = List(*entry, entryPath, depth + 1) && ok;
            }
        }
        return ok;
    }

private:
    cVFS& fs_;
    const Options& options_;
    std::set<std::uint64_t> entered_;
};

int RunLs(const std::vector<std::string>& words) {
    const cli::Args args(words, {"--part", "--at", "--partlist", "--result"});
    if (args.WantsHelp()) {
        std::fputs(kLs.usage, stdout);
        return 0;
    }
    if (const auto unknown = args.Unknown({"--json", "-r", "--deleted"}); !unknown.empty()) {
        return cli::UsageError(kLs, "unknown option " + unknown.front());
    }
    const auto& positional = args.Positional();
    if (positional.empty() || positional.size() > 2) {
        return cli::UsageError(kLs, "expected SOURCE and at most one PATH");
    }
    const Options options{args.Flag("-r"), args.Flag("--deleted"), args.Flag("--json")};
    std::optional<cli::Volume> volume =
        cli::OpenVolume("ls", positional[0], cli::ChosenPartition(args), args.Option("--result"));
    if (!volume) {
        return 1;
    }
    if (options.deleted && volume->fs->GetFSType() == fstype::kNtfs &&
        !cli::ReadDeletedNtfsFiles("ls", *volume)) {
        return 1;
    }
    cVFS& fs = *volume->fs;
    const std::string path = positional.size() > 1 ? positional[1] : "/";
    const std::unique_ptr<cFSObject> start = fs.FindByPath(utf::FromUtf8(path), fs.GetRootId());
    if (!start) {
        return cli::Fail("ls", "no such entry: " + path);
    }
    if (start->Kind() != fskind::kFolder) {
        PrintEntry(*start, path, options);
        return 0;
    }
    std::string shown = path;
    while (shown.size() > 1 && shown.back() == '/') {
        shown.pop_back();
    }
    if (shown.empty() || shown.front() != '/') {
        shown = "/" + shown;
    }
    Lister lister(fs, options);
    return lister.List(*start, shown, 0) ? 0 : 1;
}

} // namespace
