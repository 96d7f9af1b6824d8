// drovik-cli scan SOURCE [--part P | --at S[:L]] [--method METHOD] ... --out BASE: chooses
// the partition and hands it to the method, whose options and results are its own
// (scan_*.cpp).

#include "app/engine.h"
#include "app/imaging/image_job.h"
#include "app/imaging/image_with_map.h"
#include "command.h"
#include "fs_volume.h"
#include "part/storage_tree_builder.h"
#include "platform/terminal.h"
#include "scan_common.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunScan(const std::vector<std::string>& words);

const cli::Command
    kScan("scan", "find lost files and save what was found as result files",
          "usage: drovik-cli scan SOURCE [--part P | --at START[:LENGTH]] [--partlist F] [--method "
          "METHOD]\n"
          "                       [OPTIONS] --out BASE [--json]\n\n"
          "Reads partition P of SOURCE (without --part the whole storage) and looks for lost\n"
          "files the way METHOD says; without --method, as the window's scan command does\n"
          "(auto). Each result is saved as the file BASE-NAME.drdb, which ls, cat and cp read\n"
          "with --result.\n\n"
          "Progress shows on the terminal; Ctrl-C stops the scan and saves what was found so\n"
          "far (exit code 3). With --json the progress and every result are JSON Lines:\n"
          "{\"stage\",\"percent\"} and {\"result\",\"file\",\"files\",\"bytes\"}.\n\n"
          "An image made by 'drovik-cli image' is scanned with its map (SOURCE.map, or the\n"
          "file --map MAPFILE names): the sectors it could not rescue read as unreadable,\n"
          "as they did on the drive, instead of as the zeros the image holds there.\n",
          RunScan);

const cli::ScanMethod* FindMethod(const std::string& name) {
    for (const cli::ScanMethod* method : cli::ScanMethods()) {
        if (name == method->name) {
            return method;
        }
    }
    return nullptr;
}

void PrintHelp() {
    std::fputs(kScan.usage, stdout);
    for (const cli::ScanMethod* method : cli::ScanMethods()) {
        std::printf("\n--method %s\n%s", method->name, method->help);
    }
}

// The source's reader: an image opened with its map (the one --map names, else the one
// beside it when there is one), anything else plainly; reader stays null when the source
// cannot be opened. False after telling why a map given or found cannot be used.
bool OpenScanned(cStorageList& storages, const cli::Args& args, const cStorageSource& resolved,
                 const std::string& source, const cBaseIO*& reader) {
    const std::optional<std::string> named = args.Option("--map");
    if (resolved.kind != cStorageSource::Kind::Image) {
        if (named) {
            cli::Fail("scan", "--map goes with an image file, not a drive");
            return false;
        }
        reader = AddStorageSource(storages, resolved);
        return true;
    }
    const std::string path = named.value_or(imaging::DefaultMapPath(source));
    const imaging::cImageWithMap opened = imaging::AddImageWithMap(storages, resolved.path, path);
    if (!opened.mapError.empty() || (named && !opened.map)) {
        cli::Fail("scan", opened.mapError.empty() ? "no map " + path : opened.mapError);
        return false;
    }
    const std::optional<imaging::cImageMap>& map = opened.map;
    if (map && map->Count(imaging::eState::kGood) < map->Sectors()) {
        std::fprintf(
            stderr,
            "drovik-cli scan: %llu sectors of %s were not rescued (map %s); they read "
            "as unreadable\n",
            static_cast<unsigned long long>(map->Sectors() - map->Count(imaging::eState::kGood)),
            source.c_str(), path.c_str());
    }
    reader = opened.reader;
    return true;
}

int RunScan(const std::vector<std::string>& words) {
    const std::vector<std::string> shared = {"--part",   "--at",  "--partlist",
                                             "--method", "--out", "--map"};
    // Every method's options are known while --method is looked for, so that the value of
    // another method's option is not taken for the source.
    std::vector<std::string> all = shared;
    for (const cli::ScanMethod* method : cli::ScanMethods()) {
        all.insert(all.end(), method->valueOptions.begin(), method->valueOptions.end());
    }
    if (cli::Args(words, all).WantsHelp()) {
        PrintHelp();
        return 0;
    }
    const std::string name = cli::Args(words, all).Option("--method").value_or("auto");
    const cli::ScanMethod* method = FindMethod(name);
    if (!method) {
        return cli::UsageError(kScan, "no scan method " + name);
    }
    std::vector<std::string> known = shared;
    known.insert(known.end(), method->valueOptions.begin(), method->valueOptions.end());
    const cli::Args args(words, known);
    std::vector<std::string> flags = method->flags;
    flags.emplace_back("--json");
    if (const auto unknown = args.Unknown(flags); !unknown.empty()) {
        return cli::UsageError(kScan,
                               "unknown option " + unknown.front() + " for --method " + name);
    }
    const auto out = args.Option("--out");
    if (args.Positional().size() != 1 || !out) {
        return cli::UsageError(kScan, "expected SOURCE and --out BASE");
    }
    const std::string& source = args.Positional()[0];
    const auto resolved = cli::ResolveSource("scan", source);
    if (!resolved) {
        return 1;
    }
    cStorageList storages(EngineTreeBuilder());
    const cBaseIO* reader = nullptr;
    if (!OpenScanned(storages, args, *resolved, source, reader)) {
        return 1;
    }
    auto* built = reader ? dynamic_cast<cPartStorageTree*>(storages.FindTree(reader)) : nullptr;
    if (!built || !built->Tree().First()) {
        return cli::Fail("scan", "cannot read " + source);
    }
    const std::optional<cPartTreeItem*> chosen =
        cli::FindChosenPartition("scan", built->Tree(), source, cli::ChosenPartition(args));
    if (!chosen) {
        return 1;
    }
    cPartTreeItem* node = *chosen ? *chosen : built->Tree().First();
    platform::CatchInterrupts();
    return method->run({args, source, *node, *out, args.Flag("--json")});
}

} // namespace
