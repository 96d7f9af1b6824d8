#include "base/action.h"
#include "base/job.h"
#include "platform/clock.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// An element whose window never exists: every wake-up fails.
class cWindowlessTarget : public cActionTarget {
public:
    cActionQueue& PendingActions() override { return queue; }
    bool RequestActionProcessing() override { return false; }
    cActionQueue queue;
};

// An element with a window thread of its own that handles whatever is queued.
class cWindowTarget : public cActionTarget {
public:
    cWindowTarget() : thread_([this] { Loop(); }) {}
    ~cWindowTarget() {
        closing_ = true;
        wake_.Set();
        thread_.join();
    }
    cActionQueue& PendingActions() override { return queue_; }
    bool RequestActionProcessing() override {
        if (asleep) {
            return true;
        }
        wake_.Set();
        return true;
    }

    std::atomic<bool> asleep{false}; // wake-ups are accepted but not acted on
    std::atomic<int> handled{0};
    std::thread::id WindowThread() const { return thread_.get_id(); }

private:
    void Loop() {
        while (!closing_) {
            wake_.Wait();
            queue_.Process([this](cChildAction& action) {
                action.Execute();
                ++handled;
            });
        }
    }

    cActionQueue queue_;
    cEvent wake_;
    std::atomic<bool> closing_{false};
    std::thread thread_;
};

class cQuestion : public cSentChildAction {
public:
    cQuestion() : cSentChildAction(5) {}
    void Execute() override {
        answeredOn = std::this_thread::get_id();
        answer = 42;
    }
    std::thread::id answeredOn;
    int answer = 0;
};

class cCounted : public cChildAction {
public:
    explicit cCounted(std::atomic<int>& alive) : cChildAction(7), alive_(alive) { ++alive_; }
    ~cCounted() override { --alive_; }

private:
    std::atomic<int>& alive_;
};

TEST(SentChildActionTest, SendToTargetWithoutWindowFailsAtOnce) {
    cWindowlessTarget target;
    cQuestion question;
    const auto before = platform::MonotonicMilliseconds();
    EXPECT_FALSE(question.Send(target));
    EXPECT_LT(platform::MonotonicMilliseconds() - before, 1000u);
    // The sender keeps its action: nothing of it may stay behind in the queue.
    EXPECT_TRUE(target.queue.IsEmpty());
}

TEST(SentChildActionTest, SendWaitsForTheWindowThread) {
    cWindowTarget target;
    cQuestion question;
    ASSERT_TRUE(question.Send(target));
    EXPECT_EQ(question.answer, 42);
    EXPECT_EQ(question.answeredOn, target.WindowThread());
}

TEST(SentChildActionTest, DestroyedQueueReleasesSender) {
    // Accepts the wake-up but never handles anything, then goes away.
    class cDeafTarget : public cActionTarget {
    public:
        cActionQueue& PendingActions() override { return *queue; }
        bool RequestActionProcessing() override { return true; }
        std::unique_ptr<cActionQueue> queue = std::make_unique<cActionQueue>();
    } deaf;
    cQuestion question;
    std::thread closer([&] {
        while (deaf.queue->IsEmpty()) {
            platform::SleepMilliseconds(1);
        }
        deaf.queue.reset();
    });
    EXPECT_FALSE(question.Send(deaf));
    closer.join();
    EXPECT_EQ(question.answer, 0);
}

TEST(PostChildActionTest, PostedActionsAreHandledInOrderAndFreed) {
    std::atomic<int> alive{0};
    {
        cWindowTarget target;
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(PostChildAction(target, std::make_unique<cCounted>(alive)));
        }
        cQuestion barrier; // sent after the posts, so handled after them
        ASSERT_TRUE(barrier.Send(target));
        EXPECT_EQ(target.handled, 21);
        EXPECT_EQ(alive, 0);
    }
    {
        // Posts that were never handled are freed with their queue.
        cWindowlessTarget target;
        EXPECT_FALSE(PostChildAction(target, std::make_unique<cCounted>(alive)));
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

// A worker blocked in a send to a window thread that is busy stopping it (and so never
// handles the action) must not deadlock: the forced abort takes the action back.
class cAskingJob : public cJob {
public:
    explicit cAskingJob(cActionTarget& target) : target_(target) {}
    ~cAskingJob() override { Stop(); }
    std::atomic<bool> aborted{false};
    std::atomic<bool> sendReturned{false};

protected:
    unsigned Run() override {
        cQuestion question;
        question.Send(target_);
        sendReturned = true;
        return 0;
    }
    void OnAbort() override { aborted = true; }

private:
    cActionTarget& target_;
};

TEST(SentChildActionTest, ForcedAbortWithdrawsPendingSend) {
    cWindowTarget target;
    target.asleep = true;
    cAskingJob job(target);
    ASSERT_TRUE(job.Start());
    while (target.PendingActions().IsEmpty()) {
        platform::SleepMilliseconds(1);
    }
    job.Stop();
    EXPECT_TRUE(job.aborted);
    EXPECT_FALSE(job.sendReturned);
    EXPECT_TRUE(target.PendingActions().IsEmpty());
}

} // namespace
