// The recovery flow's decisions, driven through a scripted user side: which stages run
// in which order under which titles, which results are made, what is asked and told, and
// that a stopped stage keeps the results made before it. The boot-sector rules of a
// mounted FAT volume are checked on crafted sectors.

#include "app/recovery_flow/fat_boot_rules.h"
#include "app/recovery_flow/recovery_flow.h"
#include "app/recovery_flow/rules_files.h"
#include "app_support.h"
#include "base/utf.h"
#include "part/part_tree.h"
#include "scan/signatures/sig_list.h"
#include "support/fixtures.h"
#include "support/mem_io.h"
#include "vfs/fat/vfat.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using recovery::StageEnd;
using recovery::StageKind;

// Runs every stage, or stops at the stage of stopAt without running it; answers the
// question with `answer`. Keeps what happened.
class cScriptedUi final : public recovery::cRecoveryUi {
public:
    void ShowMessage(int text) override { messages.push_back(text); }
    bool Ask(int text) override {
        questions.push_back(text);
        return answer;
    }
    StageEnd RunStage(const recovery::cStage& stage) override {
        stages.push_back(stage.kind);
        titles.push_back(stage.title);
        if (stopAt && *stopAt == stage.kind) {
            return StageEnd::kStopped;
        }
        cQuietProgress progress;
        return stage.job(&progress) ? StageEnd::kDone : StageEnd::kFailed;
    }

    bool answer = false;
    std::optional<StageKind> stopAt;
    std::vector<StageKind> stages;
    std::vector<int> titles;
    std::vector<int> messages;
    std::vector<int> questions;

private:
    struct cQuietProgress final : cProgressNotifyTarget {
        bool OnProgress(double) override { return true; }
    };
};

// An image as the only node of a storage's tree.
struct cImageNode {
    explicit cImageNode(std::vector<std::uint8_t> bytes)
        : storage(std::move(bytes)),
          node(tree.AddChild(nullptr, std::make_unique<cPartTreeItem>())) {
        node.SetRecord(&storage, 0, storage.GetSectorCount(), 0);
    }
    cMemIO storage;
    cPartTree tree;
    cPartTreeItem& node;
};

std::vector<int> ResultTexts(const recovery::cRecoveryOutcome& outcome) {
    std::vector<int> texts;
    for (const auto& result : outcome.results) {
        texts.push_back(result.text);
    }
    return texts;
}

const recovery::cRulesLoader kNoRules = [](cSigList&) {};

TEST(RecoveryFlow, AFat32VolumeWithoutBootSectorsIsFoundCheckedIndexedAndBuilt) {
    apptest::LoadTexts();
    cImageNode image(apptest::ReadFileBytes(fixtures::Image("fat-scan.sh", "fat32-noboot.img")));
    cScriptedUi ui;
    const auto outcome = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_EQ(ui.stages,
              (std::vector{StageKind::kNtfsDetect, StageKind::kFatDetect, StageKind::kFat32Check,
                           StageKind::kFatIndex, StageKind::kFatBuild}));
    EXPECT_EQ(ui.titles, (std::vector{24, 24, 42, 31, 35}));
    EXPECT_EQ(ResultTexts(outcome), (std::vector{30, 32, 48, 16}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(CountFiles(*outcome.results[0].tree).files, 68u);
    EXPECT_EQ(CountFiles(*outcome.results[1].tree).files, 2u);
    // The roots carry the result's name in the interface language.
    EXPECT_EQ(outcome.results[0].tree->Name(outcome.results[0].tree->Root()),
              utf::ToUtf8(recovery::TextOf(recovery::kTextRebuilt)));
    for (const auto& result : outcome.results) {
        EXPECT_EQ(result.start, 0u);
        EXPECT_EQ(result.length, image.node.Length());
    }
}

TEST(RecoveryFlow, AStoppedIndexingKeepsTheResultsMadeBeforeIt) {
    apptest::LoadTexts();
    cImageNode image(apptest::ReadFileBytes(fixtures::Image("fat-scan.sh", "fat32-noboot.img")));
    cScriptedUi ui;
    ui.stopAt = StageKind::kFatIndex;
    const auto outcome = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(ui.stages.back(), StageKind::kFatIndex);
    EXPECT_EQ(ResultTexts(outcome), (std::vector{30, 32, 48, 16}));
}

TEST(RecoveryFlow, AMountedFatVolumeSkipsDetectionAndScansItsFreeClustersByContent) {
    apptest::LoadTexts();
    auto mounted = apptest::MountFat(fixtures::Image("fat-images.sh", "fat16.img"), false);
    ASSERT_TRUE(mounted);
    cPartTree tree;
    cPartTreeItem& node = tree.AddChild(nullptr, std::make_unique<cPartTreeItem>());
    node.SetRecord(mounted->storage.get(), 0, mounted->storage->GetSectorCount(), 0x06);
    auto reader = std::make_unique<cVFAT>();
    ASSERT_TRUE(reader->Mount(node));
    node.AttachExtension(std::move(reader));
    cScriptedUi ui;
    const auto outcome = recovery::Recover(node, ui, [](cSigList& rules) {
        EXPECT_TRUE(rulesfiles::Load(rulesfiles::In(fixtures::BinDir()), rules,
                                     [](const rulesfiles::cProblem&) { ADD_FAILURE(); }));
        EXPECT_FALSE(rules.Empty());
    });
    EXPECT_EQ(ui.stages, (std::vector{StageKind::kFatCheck, StageKind::kFatIndex,
                                      StageKind::kFatBuild, StageKind::kContentScan}));
    EXPECT_EQ(ui.titles.back(), 17);
    EXPECT_EQ(ResultTexts(outcome), (std::vector{30, 32, 48, 16}));
    EXPECT_GT(CountFiles(*outcome.results[0].tree).files, 0u);
}

// After NTFS and FAT find nothing, an exFAT card whose boot regions are zeroed is found by
// its root folder and rebuilt into the same results as a FAT volume.
TEST(RecoveryFlow, AnExfatCardWithoutBootRegionsIsFoundAfterFatAndRebuilt) {
    apptest::LoadTexts();
    std::vector<std::uint8_t> card =
        apptest::ReadFileBytes(fixtures::Image("exfat-images.sh", "card.img"));
    ASSERT_GT(card.size(), 24u * 512);
    std::fill_n(card.begin(), 24 * 512, 0);
    cImageNode image(std::move(card));
    cScriptedUi ui;
    const auto outcome = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_EQ(ui.stages, (std::vector{StageKind::kNtfsDetect, StageKind::kFatDetect,
                                      StageKind::kExfatDetect, StageKind::kExfatBuild}));
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ResultTexts(outcome), (std::vector{30, 32, 48, 16}));
    ASSERT_EQ(outcome.results.size(), 4u);
    EXPECT_EQ(CountFiles(*outcome.results[0].tree).files, 6u);
    EXPECT_EQ(CountFiles(*outcome.results[1].tree).files, 6u);
    EXPECT_EQ(CountFiles(*outcome.results[2].tree).files, 0u);
    EXPECT_TRUE(image.node.FindExtensionAs<cVFS>(part_ext::kFileSystem));
}

TEST(RecoveryFlow, NothingFoundAsksAndANoEndsWithoutResults) {
    apptest::LoadTexts();
    cImageNode image(std::vector<std::uint8_t>(2 << 20, 0x5A));
    cScriptedUi ui;
    const auto refused = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_EQ(ui.questions, std::vector{25});
    EXPECT_EQ(ui.stages, (std::vector{StageKind::kNtfsDetect, StageKind::kFatDetect,
                                      StageKind::kExfatDetect}));
    EXPECT_TRUE(refused.results.empty());

    // Yes without rules: told so, and only the empty result found by type is made.
    cScriptedUi agreeing;
    agreeing.answer = true;
    const auto agreed = recovery::Recover(image.node, agreeing, kNoRules);
    EXPECT_EQ(agreeing.messages, std::vector{14});
    EXPECT_EQ(ResultTexts(agreed), std::vector{16});
    EXPECT_EQ(CountFiles(*agreed.results[0].tree).files, 0u);
}

TEST(RecoveryFlow, AStoppedDetectionAsksNothingMore) {
    apptest::LoadTexts();
    cImageNode image(std::vector<std::uint8_t>(2 << 20, 0));
    cScriptedUi ui;
    ui.stopAt = StageKind::kNtfsDetect;
    const auto outcome = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_EQ(ui.stages, std::vector{StageKind::kNtfsDetect});
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(outcome.stopped);
}

TEST(RecoveryFlow, UnscannableFileSystemsAreToldAndLeftAlone) {
    apptest::LoadTexts();
    cImageNode image(apptest::ReadFileBytes(fixtures::Image("ext-images.sh", "ext4.img")));
    cScriptedUi ui;
    const auto outcome = recovery::Recover(image.node, ui, kNoRules);
    EXPECT_EQ(ui.messages, std::vector{50});
    EXPECT_TRUE(ui.stages.empty());
    EXPECT_TRUE(outcome.results.empty());
}

std::array<std::uint8_t, 512> BootSector(std::size_t labelAt, const char* label,
                                         std::uint16_t reserved) {
    std::array<std::uint8_t, 512> boot{};
    std::memcpy(boot.data() + labelAt, label, std::strlen(label));
    boot[14] = std::uint8_t(reserved);
    boot[15] = std::uint8_t(reserved >> 8);
    return boot;
}

TEST(FatBootRules, Fat32ReservedAreaIsTrustedOnlyUnderItsLabel) {
    EXPECT_EQ(recovery::Fat32ReservedSectors(BootSector(82, "TFAT32", 6)), 6u);
    EXPECT_EQ(recovery::Fat32ReservedSectors(BootSector(82, "FAT32   ", 38)), 38u);
    EXPECT_EQ(recovery::Fat32ReservedSectors(BootSector(82, "", 6)), 32u);
    EXPECT_EQ(recovery::Fat32ReservedSectors(BootSector(82, "FAT16", 6)), 32u);
}

TEST(FatBootRules, Fat1xWidthFollowsTheLabelAtOffset54) {
    EXPECT_EQ(recovery::Fat1xTypeByLabel(BootSector(54, "FAT12   ", 1)), fatscan::FatType::kFat12);
    EXPECT_EQ(recovery::Fat1xTypeByLabel(BootSector(54, "FAT16   ", 1)), fatscan::FatType::kFat16);
    EXPECT_EQ(recovery::Fat1xTypeByLabel(BootSector(54, "", 1)), fatscan::FatType::kFat16);
}

} // namespace
