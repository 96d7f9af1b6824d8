// Actions between threads and elements: order, thread, blocking sends, failures, and
// what happens to queued actions when their form goes away.

#include "gui/custom_form.h"
#include "gui/sdl/headless_host.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

constexpr int kRecordKind = 100;
constexpr int kQuestionKind = 101;

class cRecordAction : public cChildAction {
public:
    cRecordAction(int sender, int sequence, std::atomic<int>* destroyed = nullptr)
        : cChildAction(kRecordKind), sender(sender), sequence(sequence), destroyed(destroyed) {}
    ~cRecordAction() override {
        if (destroyed) {
            ++*destroyed;
        }
    }
    int sender, sequence;
    std::atomic<int>* destroyed;
};

class cQuestion : public cSentChildAction {
public:
    cQuestion() : cSentChildAction(kQuestionKind) {}
    int answer = 0; // written by the window thread
};

class cRecorder : public cChildElement {
public:
    void OnAction(cChildAction& action) override {
        threads.push_back(std::this_thread::get_id());
        if (action.Kind() == kQuestionKind) {
            static_cast<cQuestion&>(action).answer = 42;
            return;
        }
        auto& record = static_cast<cRecordAction&>(action);
        received.emplace_back(record.sender, record.sequence);
    }
    std::vector<std::thread::id> threads;
    std::vector<std::pair<int, int>> received;
};

class cRecorderForm : public cCustomForm {
public:
    void OnCreate() override {
        auto* panel = Add<cChildElement>(0, 0, 50, 50);
        recorder =
            static_cast<cRecorder*>(panel->AddChild(std::make_unique<cRecorder>(), 0, 0, 10, 10));
    }
    cRecorder* recorder = nullptr;
};

TEST(GuiActions, PostsFromSeveralThreadsArriveInOrderOnTheWindowThread) {
    cRecorderForm form;
    cHeadlessHost host(form, 100, 100);
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(PostChildAction(*form.recorder, std::make_unique<cRecordAction>(t, i)));
            }
        });
    }
    // The window thread drains while the workers are still posting.
    while (int(form.recorder->received.size()) < kThreads * kEach) {
        host.WaitForWakeUp(50);
        host.RunWakeUps();
    }
    for (auto& w : workers) {
        w.join();
    }
    std::vector<int> last(kThreads, -1);
    for (auto [sender, sequence] : form.recorder->received) {
        EXPECT_EQ(sequence, last[std::size_t(sender)] + 1);
        last[std::size_t(sender)] = sequence;
    }
    for (auto id : form.recorder->threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST(GuiActions, WakeUpsUseMessageBForActionsAndReachTheRightOperation) {
    struct cCountingForm : cCustomForm {
        void OnWakeA(std::uintptr_t) override { ++a; }
        void OnWakeB(std::uintptr_t value) override {
            ++b;
            last = value;
            ProcessActionTree();
        }
        int a = 0, b = 0;
        std::uintptr_t last = 0;
    } form;
    cHeadlessHost host(form, 50, 50);
    auto* child = form.Add<cChildElement>(0, 0, 10, 10);
    ASSERT_TRUE(PostChildAction(*child, std::make_unique<cChildAction>(1)));
    ASSERT_TRUE(child->RequestWake(kWakeA, 7));
    EXPECT_EQ(host.RunWakeUps(), 2);
    EXPECT_EQ(form.a, 1);
    EXPECT_EQ(form.b, 1);
    EXPECT_EQ(form.last, reinterpret_cast<std::uintptr_t>(child));
    EXPECT_TRUE(child->PendingActions().IsEmpty());
}

TEST(GuiActions, SentActionBlocksItsWorkerUntilHandled) {
    cRecorderForm form;
    cHeadlessHost host(form, 100, 100);
    std::atomic<bool> returned{false};
    bool sent = false;
    cQuestion question;
    std::thread worker([&] {
        sent = question.Send(*form.recorder);
        returned = true;
    });
    ASSERT_TRUE(host.WaitForWakeUp(5000));
    // The wake-up is posted, but until the window thread handles it the worker waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned);
    host.RunWakeUps();
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(question.answer, 42);
}

TEST(GuiActions, SendWithoutReachableHostFailsAtOnce) {
    cRecorder detached;
    cQuestion question;
    EXPECT_FALSE(question.Send(detached));
    EXPECT_TRUE(detached.PendingActions().IsEmpty());

    // An element whose form has no window fails the same way.
    cRecorderForm form;
    auto* element = form.Add<cRecorder>(0, 0, 1, 1);
    EXPECT_FALSE(PostChildAction(*element, std::make_unique<cRecordAction>(0, 0)));
    cQuestion another;
    EXPECT_FALSE(another.Send(*element));
}

TEST(GuiActions, DestroyingAFormFreesQueuedActionsAndReleasesSenders) {
    std::atomic<int> destroyed{0};
    std::atomic<bool> sendResult{true};
    std::thread worker;
    {
        cRecorderForm form;
        cHeadlessHost host(form, 100, 100);
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(
                PostChildAction(*form.recorder, std::make_unique<cRecordAction>(0, i, &destroyed)));
        }
        worker = std::thread([&] {
            cQuestion question;
            sendResult = question.Send(*form.recorder);
        });
        // Wait until the send is queued (its wake-up follows the five posts).
        while (host.PostedWakeUps() < 6) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(destroyed, 0);
    }
    worker.join();
    EXPECT_EQ(destroyed, 5);
    EXPECT_FALSE(sendResult);
}

TEST(GuiActions, HandlerMayDestroyTheElementItRunsOn) {
    struct cSelfDestroying : cChildElement {
        void OnAction(cChildAction&) override { Parent()->DestroyChild(this); }
    };
    cRecorderForm form;
    cHeadlessHost host(form, 100, 100);
    auto* doomed = form.Add<cSelfDestroying>(0, 0, 5, 5);
    ASSERT_TRUE(PostChildAction(*doomed, std::make_unique<cChildAction>(1)));
    ASSERT_TRUE(PostChildAction(*doomed, std::make_unique<cChildAction>(1)));
    host.RunWakeUps();
    EXPECT_EQ(form.Children().size(), 1u); // only the recorder's panel is left
}

} // namespace
