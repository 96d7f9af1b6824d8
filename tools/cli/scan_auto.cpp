// scan --method auto [--rules FILE|DIR]... [--yes]: the recovery the window's scan
// command runs, without a screen. The file system's kind decides the stages; every
// result the flow makes is saved, also when a stage was stopped with Ctrl-C.

#include "app/recovery_flow/recovery_flow.h"
#include "base/lang/builtin_packs.h"
#include "base/utf.h"
#include "platform/terminal.h"
#include "scan_common.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

int RunAutoScan(const cli::ScanJob& job);

const cli::ScanMethod
    kAuto("auto",
          "The recovery of the window's scan command. An NTFS volume (mounted, or found by its\n"
          "master file table) is scanned as --method ntfs does: BASE-tree, BASE-deleted and\n"
          "BASE-damaged. A FAT volume (mounted, or found by its folders and tables) is rebuilt\n"
          "as --method fat does, and then its free clusters are scanned by content into\n"
          "BASE-content. Other file systems are not scanned. When no volume is found at all, the\n"
          "program asks whether to scan the whole partition by content; --yes answers yes, and\n"
          "without a terminal to ask on the answer is no. The rules come from the *.urrs files\n"
          "beside the program or from --rules, as for --method content.\n\n"
          "Exit status: 0 when at least one result was saved, 1 when none, 3 after Ctrl-C (the\n"
          "results made so far are saved).\n",
          {"--rules"}, {"--yes"}, RunAutoScan);

// The name of a result's file: BASE-NAME.drdb.
const char* ResultName(int text) {
    switch (text) {
    case recovery::kTextRebuilt:
        return "tree";
    case recovery::kTextDeleted:
        return "deleted";
    case recovery::kTextDamaged:
        return "damaged";
    default:
        return "content";
    }
}

class cTerminalUi final : public recovery::cRecoveryUi {
public:
    explicit cTerminalUi(const cli::ScanJob& job) : job_(job) {}

    void ShowMessage(int text) override { std::fprintf(stderr, "%s\n", Text(text).c_str()); }

    bool Ask(int text) override {
        if (job_.args.Flag("--yes")) {
            std::fprintf(stderr, "%s yes (--yes)\n", Text(text).c_str());
            return true;
        }
        if (!platform::StdinIsTerminal()) {
            std::fprintf(stderr, "%s no: there is no terminal to ask on (--yes answers yes)\n",
                         Text(text).c_str());
            return false;
        }
        std::fprintf(stderr, "%s [y/N] ", Text(text).c_str());
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "y" || answer == "Y" || answer == "yes";
    }

    recovery::StageEnd RunStage(const recovery::cStage& stage) override {
        cli::cScanProgress progress(job_.json, stage.name);
        if (stage.job(&progress)) {
            return recovery::StageEnd::kDone;
        }
        return platform::InterruptRequested() ? recovery::StageEnd::kStopped
                                              : recovery::StageEnd::kFailed;
    }

private:
    static std::string Text(int text) { return utf::ToUtf8(recovery::TextOf(text)); }

    const cli::ScanJob& job_;
};

int RunAutoScan(const cli::ScanJob& job) {
    lang::RegisterPacksFor(lang::eLanguage::English);
    cTerminalUi ui(job);
    // A rules file that cannot be read is told; the scan goes on with the others.
    const recovery::cRecoveryOutcome outcome =
        recovery::Recover(job.node, ui, [&job](cSigList& rules) {
            cli::LoadScanRules(job.args.Options("--rules"), rules);
        });
    for (const recovery::cRecoveryResult& result : outcome.results) {
        if (!cli::SaveScanResult(job, ResultName(result.text), *result.tree)) {
            return 1;
        }
    }
    if (outcome.stopped || platform::InterruptRequested()) {
        return 3;
    }
    if (outcome.results.empty()) {
        return cli::Fail("scan", "nothing was recovered");
    }
    return 0;
}

} // namespace
