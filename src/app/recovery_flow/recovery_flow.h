#pragma once
// The data recovery of one partition, as the scan command of the window and
// "drovik-cli scan --method auto" run it. The file system's kind decides the stages: the
// NTFS deep scan, the FAT or exFAT reconstruction followed by a content scan of the free
// clusters, or, when no structure is found and the user agrees, a content scan of the whole
// partition. Each stage runs behind the front end's progress view; a stopped or failed
// stage ends the flow with the results made so far. No options are asked for.
//
// The front end supplies the user's side (messages, the one question, the progress
// views) and the rules; the flow hands back the results, each a tree of found files for
// a new result node on the partition.

#include "base/progress.h"
#include "scan/vstorage.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class cPartTreeItem;
class cSigList;

namespace recovery {

// The text section of the flow's messages, titles and result names.
inline constexpr const char* kTextSection = "qorns::recover::fs";

// Texts of the section the flow uses.
enum Text : int {
    kTextNoRules = 14,
    kTextFoundByType = 16,
    kTextContentScan = 17,
    kTextNotDetermined = 22,
    kTextDetecting = 24,
    kTextAskContentScan = 25,
    kTextRebuilt = 30,
    kTextReconstructing = 31,
    kTextDeleted = 32,
    kTextBuilding = 35,
    kTextStageRecords = 36,
    kTextCheckingTables = 42,
    kTextStageRelations = 45,
    kTextStageClassify = 46,
    kTextDamaged = 48,
    kTextNotSupported = 50,
};

// A text of the section in the interface language; empty when the packs lack it.
std::u16string TextOf(int text);

enum class StageKind {
    kNtfsDetect,
    kFatDetect,
    kFatCheck,
    kFat32Check,
    kFatIndex,
    kNtfsLongScan,
    kFatBuild,
    kContentScan,
    kExfatDetect,
    kExfatBuild,
};

// One stage: the job and how to show it.
struct cStage {
    StageKind kind;
    const char* name; // a short English name, for the terminal and JSON progress
    int title;        // the progress view's title (a text number)
    // The stage ids the job reports through SetStage, and the texts that name them.
    std::map<int, int> stageTexts;
    // Runs on a worker thread; no when it failed or the progress target asked to stop.
    std::function<bool(cProgressNotifyTarget* progress)> job;
};

enum class StageEnd { kDone, kFailed, kStopped };

// The user's side of the flow.
class cRecoveryUi {
public:
    virtual ~cRecoveryUi() = default;
    virtual void ShowMessage(int text) = 0;
    // Yes or no to a question.
    virtual bool Ask(int text) = 0;
    // Runs the stage's job with its progress shown until it ends or the user stops it.
    virtual StageEnd RunStage(const cStage& stage) = 0;
};

// One set of findings: a tree whose root is named by its text, read from the sectors of
// the partition's storage from `start` on, for `length` sectors.
struct cRecoveryResult {
    int text = 0;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::unique_ptr<cQORNVStorage> tree;
};

struct cRecoveryOutcome {
    std::vector<cRecoveryResult> results;
    bool stopped = false; // a stage was stopped by the user
};

// Appends the signature rules of the content scan to the list (none is no error).
using cRulesLoader = std::function<void(cSigList& rules)>;

// Runs the flow on the partition. A detection that finds a volume attaches the reader it
// made to the partition, as browsing it would.
cRecoveryOutcome Recover(cPartTreeItem& partition, cRecoveryUi& ui, const cRulesLoader& rules);

} // namespace recovery
