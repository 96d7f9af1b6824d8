#include "scan_common.h"

#include "app/recovery_flow/rules_files.h"
#include "platform/terminal.h"
#include "scan/result_file.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

std::vector<const ScanMethod*>& Registry() {
    static std::vector<const ScanMethod*> methods;
    return methods;
}

void ReportRulesProblem(const rulesfiles::cProblem& problem) {
    if (problem.unread) {
        Fail("scan", "cannot read the rules file " + problem.file.string());
        return;
    }
    std::fprintf(stderr,
                 "drovik-cli scan: %s is damaged (result code %d at byte %zu); using the "
                 "rules before that\n",
                 problem.file.string().c_str(), int(problem.load.code), problem.load.stoppedAt);
}

} // namespace

ScanMethod::ScanMethod(const char* methodName, const char* methodHelp,
                       std::vector<std::string> methodValueOptions,
                       std::vector<std::string> methodFlags, int (*methodRun)(const ScanJob& job))
    : name(methodName), help(methodHelp), valueOptions(std::move(methodValueOptions)),
      flags(std::move(methodFlags)), run(methodRun) {
    auto& methods = Registry();
    methods.push_back(this);
    std::sort(methods.begin(), methods.end(), [](const ScanMethod* a, const ScanMethod* b) {
        return std::string_view(a->name) < b->name;
    });
}

const std::vector<const ScanMethod*>& ScanMethods() {
    return Registry();
}

cScanProgress::cScanProgress(bool json, std::string stage)
    : json_(json), terminal_(platform::StderrIsTerminal()), stage_(std::move(stage)) {}

cScanProgress::~cScanProgress() {
    if (shown_) {
        std::fputs("\n", stderr);
    }
}

void cScanProgress::Stage(std::string stage) {
    if (shown_) {
        std::fputs("\n", stderr);
        shown_ = false;
    }
    stage_ = std::move(stage);
    lastWhole_ = -1;
}

bool cScanProgress::OnProgress(double percent) {
    if (json_ && int(percent) != lastWhole_) {
        lastWhole_ = int(percent);
        JsonObject().Add("stage", stage_).Add("percent", lastWhole_).Print();
    } else if (terminal_ && !json_) {
        std::fprintf(stderr, "\r%s: %6.2f%%", stage_.c_str(), percent);
        shown_ = true;
    }
    return !platform::InterruptRequested();
}

bool SaveScanResult(const ScanJob& job, std::string_view name, const cQORNVStorage& result) {
    const cVSTotals count = CountFiles(result);
    const std::string file = job.outBase + "-" + std::string(name) + ".drdb";
    if (!drdb::SaveFile(file, result)) {
        Fail("scan", "cannot write " + file + ": " + SystemReason());
        return false;
    }
    if (job.json) {
        JsonObject()
            .Add("result", name)
            .Add("file", file)
            .Add("files", count.files)
            .Add("bytes", count.bytes)
            .Print();
    } else {
        std::printf("%.*s: %llu files, %llu bytes, saved in %s\n", int(name.size()), name.data(),
                    static_cast<unsigned long long>(count.files),
                    static_cast<unsigned long long>(count.bytes), file.c_str());
    }
    return true;
}

int SaveRebuildResults(const ScanJob& job, const cQORNVStorage& tree, const cQORNVStorage& deleted,
                       const cQORNVStorage& damaged, bool finished) {
    for (const auto& [name, result] : {std::pair{"tree", &tree}, std::pair{"deleted", &deleted},
                                       std::pair{"damaged", &damaged}}) {
        if (!SaveScanResult(job, name, *result)) {
            return 1;
        }
    }
    return ScanExitCode(finished);
}

int ScanExitCode(bool finished) {
    if (platform::InterruptRequested()) {
        return 3;
    }
    return finished ? 0 : Fail("scan", "the scan ended early: the storage stopped delivering");
}

bool LoadScanRules(const std::vector<std::string>& named, cSigList& rules) {
    return rulesfiles::Load(rulesfiles::Resolve(named), rules, ReportRulesProblem);
}

} // namespace cli
