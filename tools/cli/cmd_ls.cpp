// drovik-cli ls SOURCE [--part P] [PATH] [-r] [--deleted]: a folder listing of a file
// system, one entry per line with its full path.

#include "base/utf.h"
#include "command.h"
#include "fs_volume.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>
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

// folder/name into out, whose room is kept from entry to entry.
void JoinPath(std::string& out, const std::string& folder, const std::u16string& name) {
    out.assign(folder == "/" ? "" : folder).append("/").append(utf::ToUtf8(name));
}

// The columns of a line before its path, put together in place: on a tree of a hundred
// thousand files printf, and then piecewise appends, were most of the listing's time.
class cColumns {
public:
    // text followed by spaces up to width.
    void Left(std::string_view text, std::size_t width) {
        text.copy(&text_[length_], text.size());
        length_ += text.size();
        Fill(' ', width - std::min(width, text.size()));
    }
    // value in decimal, filled on the left up to width.
    void Number(std::uint64_t value, std::size_t width, char fill) {
        std::size_t digits = 1;
        for (std::uint64_t rest = value / 10; rest != 0; rest /= 10) {
            ++digits;
        }
        Fill(fill, width - std::min(width, digits));
        std::to_chars(&text_[length_], &text_[length_ + digits], value);
        length_ += digits;
    }
    void Put(char c) { text_[length_++] = c; }
    // YYYY-MM-DDTHH:MM:SS of a known time.
    void Time(const cFSTime& time) {
        Number(time.year, 4, '0');
        for (const auto& [separator, field] :
             {std::pair{'-', time.month}, std::pair{'-', time.day}, std::pair{'T', time.hour},
              std::pair{':', time.minute}, std::pair{':', time.second}}) {
            Put(separator);
            Number(field, 2, '0');
        }
    }
    std::string_view Text() const { return {text_.data(), length_}; }

private:
    // A number has at most 20 digits, and no column is filled by more.
    static constexpr std::size_t kMaxField = 20;

    // Writes a whole field, which compiles to a few stores; what follows overwrites the
    // rest.
    void Fill(char c, std::size_t count) {
        std::memset(&text_[length_], c, kMaxField);
        length_ += count;
    }

    // The widest line, a kind of 8, a size and an id of 20 digits, a time of 25 and four
    // spaces, and room for a fill's whole-field write past its end.
    std::array<char, 77 + kMaxField> text_;
    std::size_t length_ = 0;
};

void AppendEntry(std::string& out, const cFSObject& entry, const std::string& path,
                 const Options& options) {
    cColumns columns;
    if (options.json) {
        cli::JsonObject row;
        row.Add("path", path).Add("kind", KindName(entry.Kind())).Add("size", entry.size);
        if (entry.mtime.year == 0) {
            row.AddNull("mtime");
        } else {
            columns.Time(entry.mtime);
            row.Add("mtime", columns.Text());
        }
        row.Add("id", entry.id).Add("damaged", entry.IsDamaged());
        out += row.Text();
        out += '\n';
        return;
    }
    columns.Left(KindName(entry.Kind()), 8);
    columns.Put(' ');
    columns.Number(entry.size, 12, ' ');
    columns.Put(' ');
    if (entry.mtime.year == 0) {
        columns.Left("-", 19);
    } else {
        columns.Time(entry.mtime);
    }
    columns.Put(' ');
    columns.Number(entry.id, 10, ' ');
    columns.Put(' ');
    out += columns.Text();
    // A name is shown up to a U+0000 unit, as a C string holds it.
    out += std::string_view(path.c_str());
    out += entry.IsDamaged() ? " [damaged]\n" : "\n";
}

void Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

class Lister {
public:
    Lister(cVFS& fs, const Options& options) : fs_(fs), options_(options) {}

    // No when a folder could not be listed completely; what was listed is printed.
    bool List(const cFSObject& folder, const std::string& path, unsigned depth) {
        entered_.insert(folder.id);
        // The folder's lines are made while the reader lists it; only sub-folders are
        // kept, each with the end of its line, to be entered right after it. Each depth
        // keeps its text's room for the next folder it lists.
        if (spareLines_.size() <= depth) {
            spareLines_.resize(depth + 1);
        }
        std::string lines = std::move(spareLines_[depth]);
        lines.clear();
        std::vector<std::pair<std::size_t, std::unique_ptr<cFSObject>>> folders;
        std::string entryPath;
        const bool complete = fs_.EnumFolder(folder, [&](cFSObject& entry) {
            const bool dots =
                entry.Kind() == fskind::kFolder && (entry.name == u"." || entry.name == u"..");
            if (dots || (entry.Kind() == fskind::kDeleted && !options_.deleted)) {
                return true;
            }
            JoinPath(entryPath, path, entry.name);
            AppendEntry(lines, entry, entryPath, options_);
            if (options_.recursive && entry.Kind() == fskind::kFolder) {
                folders.emplace_back(lines.size(), entry.Clone());
            }
            return true;
        });
        if (!complete) {
            std::fprintf(stderr, "drovik-cli ls: %s: the folder could not be read completely\n",
                         path.c_str());
        }
        bool ok = complete;
        std::size_t written = 0;
        std::string folderPath;
        for (const auto& [lineEnd, entry] : folders) {
            Write(std::string_view(lines).substr(written, lineEnd - written));
            written = lineEnd;
            // A folder already entered means the volume links folders in a loop.
            if (depth < kMaxDepth && !entered_.count(entry->id)) {
                JoinPath(folderPath, path, entry->name);
                ok = List(*entry, folderPath, depth + 1) && ok;
            }
        }
        Write(std::string_view(lines).substr(written));
        spareLines_[depth] = std::move(lines);
        return ok;
    }

private:
    cVFS& fs_;
    const Options& options_;
    std::set<std::uint64_t> entered_;
    std::vector<std::string> spareLines_;
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
        std::string line;
        AppendEntry(line, *start, path, options);
        Write(line);
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
