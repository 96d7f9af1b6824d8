// The recovery flow in the window over the headless host: every stage of a FAT32 volume
// whose boot sectors are zeroed runs as its own 600 x 106 modal form titled by its stage,
// showing the time spent and left; the flow ends with a box telling each result's files;
// an unrecognisable partition asks before anything is scanned.

#include "app/app_support.h"
#include "app/recovery/recovery_stage_form.h"
#include "app/recovery/recovery_window.h"
#include "base/utf.h"
#include "gui/gui_test_support.h"
#include "gui/message_form.h"
#include "gui/sdl/headless_maker.h"
#include "part/part_tree.h"
#include "support/fixtures.h"
#include "support/mem_io.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Plays the user: waits for every stage form to end (a picture of the first that showed
// its times is kept) and answers every question with Yes.
class cRecordingMaker final : public cHeadlessMaker {
public:
    cRecordingMaker() {
        SetDriver([this](cHeadlessHost& host) { Drive(host); });
    }
    int RunModal(cCustomForm& form, int width, int height, cCustomForm* parent,
                 bool resizable) override {
        current_ = &form;
        sizes.push_back({width, height});
        return cHeadlessMaker::RunModal(form, width, height, parent, resizable);
    }

    std::vector<cSize> sizes;
    std::vector<std::u16string> stageCaptions;
    std::vector<std::u16string> messages;
    bool timesShown = false;

private:
    void Drive(cHeadlessHost& host) {
        if (auto* box = dynamic_cast<cMessageForm*>(current_)) {
            messages.push_back(box->Message());
            EXPECT_TRUE(host.SavePng(
                gui_test::ShotPath("recovery_box_" + std::to_string(messages.size()) + ".png")));
            box->OnCommand(nullptr, kActionActivate, cMessageForm::kCommandYes);
            return;
        }
        auto* stage = dynamic_cast<cRecoveryStageForm*>(current_);
        ASSERT_NE(stage, nullptr);
        stageCaptions.push_back(stage->Caption());
        while (!host.EndCode()) {
            host.RunWakeUps();
            if (!timesShown && stage->StatusText().find(u"00:00:") != std::u16string::npos &&
                stage->BarPosition() > 0) {
                timesShown = true;
                EXPECT_TRUE(host.SavePng(gui_test::ShotPath("recovery_stage.png")));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    cCustomForm* current_ = nullptr;
};

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

std::u16string RecoveryText(int number) {
    return recovery::TextOf(number);
}

TEST(RecoveryWindow, EachStageRunsInItsOwnFormAndTheLastBoxCountsTheFiles) {
    gui_test::RegisterPacks();
    cImageNode image(apptest::ReadFileBytes(fixtures::Image("fat-scan.sh", "fat32-noboot.img")));
    cRecordingMaker maker;
    cCustomForm owner("qorns::explorer");
    const auto outcome = recovery::RecoverInWindow(owner, image.node);
    ASSERT_EQ(outcome.results.size(), 4u);
    EXPECT_EQ(maker.stageCaptions,
              (std::vector{RecoveryText(24), RecoveryText(24), RecoveryText(42), RecoveryText(31),
                           RecoveryText(35)}));
    for (std::size_t i = 0; i < maker.stageCaptions.size(); ++i) {
        EXPECT_EQ(maker.sizes[i].w, 600);
        EXPECT_EQ(maker.sizes[i].h, 106);
    }
    ASSERT_EQ(maker.messages.size(), 1u);
    EXPECT_EQ(maker.messages[0], recovery::SummaryText(outcome.results));
    EXPECT_NE(maker.messages[0].find(RecoveryText(30) + u": "), std::u16string::npos);
    EXPECT_NE(maker.messages[0].find(u" 68,"), std::u16string::npos)
        << utf::ToUtf8(maker.messages[0]);
}

TEST(RecoveryWindow, AnUnknownPartitionIsAskedAboutBeforeAContentScan) {
    gui_test::RegisterPacks();
    cImageNode image(std::vector<std::uint8_t>(1 << 20, 0x5A));
    cRecordingMaker maker;
    cCustomForm owner("qorns::explorer");
    const auto outcome = recovery::RecoverInWindow(owner, image.node);
    ASSERT_FALSE(maker.messages.empty());
    EXPECT_EQ(maker.messages[0], RecoveryText(25));
    // Yes, then no rules beside the test program: told, and the empty result stays.
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].text, recovery::kTextFoundByType);
}

} // namespace
