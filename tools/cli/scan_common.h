#pragma once
// What every method of "drovik-cli scan" shares: choosing the partition, progress on the
// terminal or as JSON Lines, and saving each result as BASE-NAME.drdb with its summary
// line. A method lives in its own scan_*.cpp and registers itself with a static
// ScanMethod, as commands do with Command.

#include "base/progress.h"
#include "command.h"
#include "part/part_tree.h"
#include "scan/vstorage.h"

#include <string>
#include <string_view>
#include <vector>

class cSigList;

namespace cli {

// What a method is given: the partition to scan (the whole storage without --part) and
// the options shared by all methods.
struct ScanJob {
    const Args& args;
    const std::string& source; // as the user named it
    cPartTreeItem& node;
    std::string outBase;
    bool json = false;
};

struct ScanMethod {
    // help is the method's paragraph of "scan --help"; valueOptions and flags are the
    // options only this method reads.
    ScanMethod(const char* name, const char* help, std::vector<std::string> valueOptions,
               std::vector<std::string> flags, int (*run)(const ScanJob& job));
    const char* name;
    const char* help;
    std::vector<std::string> valueOptions;
    std::vector<std::string> flags;
    int (*run)(const ScanJob& job);
};

const std::vector<const ScanMethod*>& ScanMethods();

// Percent of the current stage on the terminal, or {"stage","percent"} rows once per
// whole percent with --json. Asks the worker to stop after Ctrl-C.
class cScanProgress final : public cProgressNotifyTarget {
public:
    cScanProgress(bool json, std::string stage);
    ~cScanProgress() override;
    bool OnProgress(double percent) override;
    void Stage(std::string stage);

private:
    bool json_;
    bool terminal_;
    std::string stage_;
    int lastWhole_ = -1;
    bool shown_ = false;
};

// Saves result as BASE-NAME.drdb and prints its line: files and bytes, and the file it
// went to. Tells why and answers false when the file cannot be written.
bool SaveScanResult(const ScanJob& job, std::string_view name, const cQORNVStorage& result);

// The three results of a file system's rebuild saved as BASE-tree, BASE-deleted and
// BASE-damaged, then the exit code as ScanExitCode gives it; 1 when one cannot be written.
int SaveRebuildResults(const ScanJob& job, const cQORNVStorage& tree, const cQORNVStorage& deleted,
                       const cQORNVStorage& damaged, bool finished);

// Appends the rules of the files and folders named with --rules (none: the shipped rules)
// to rules, telling of each file that cannot be read (then no) or is damaged.
bool LoadScanRules(const std::vector<std::string>& named, cSigList& rules);

// The exit code once the results are saved: 3 after Ctrl-C, an error when the scan did
// not finish (the storage stopped delivering), else 0.
int ScanExitCode(bool finished);

} // namespace cli
