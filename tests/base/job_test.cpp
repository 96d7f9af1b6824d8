#include "base/job.h"
#include "base/progress.h"
#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records the hooks in the order they run, from whichever thread runs them.
class cRecordingJob : public cJob {
public:
    explicit cRecordingJob(cJobExceptionHandler* handler = nullptr) : cJob(handler) {}
    ~cRecordingJob() override { Stop(); }

    std::string Events() {
        cScopedLock lock(eventsLock_);
        return events_;
    }
    unsigned finishedWith = 12345;

protected:
    void Note(const char* event) {
        cScopedLock lock(eventsLock_);
        events_ += event;
        events_ += ' ';
    }
    void OnStart() override { Note("start"); }
    void OnFinish(unsigned result) override {
        finishedWith = result;
        Note("finish");
    }
    void OnAbort() override { Note("abort"); }

private:
    cCriticalSection eventsLock_;
    std::string events_;
};

class cResultJob : public cRecordingJob {
public:
    explicit cResultJob(unsigned result) : result_(result) {}
    ~cResultJob() override { Stop(); }

protected:
    unsigned Run() override {
        Note("run");
        return result_;
    }

private:
    unsigned result_;
};

void WaitUntilIdle(cJob& job) {
    while (job.IsRunning()) {
        platform::SleepMilliseconds(1);
    }
}

TEST(JobTest, HooksRunInOrderAndResultsReachOnFinish) {
    // 259 is the system's "still active" code; it must never be reported as a result.
    struct Case {
        unsigned run;
        unsigned reported;
    };
    for (const Case c : {Case{0, 0}, Case{7, 7}, Case{258, 258}, Case{259, 1}, Case{260, 260}}) {
        cResultJob job(c.run);
        ASSERT_TRUE(job.Start());
        job.Stop();
        EXPECT_FALSE(job.IsRunning());
        EXPECT_EQ(job.Events(), "start run finish ");
        EXPECT_EQ(job.finishedWith, c.reported) << "Run returned " << c.run;
    }
}

TEST(JobTest, FinishedJobCanBeStartedAgain) {
    cResultJob job(3);
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(job.Start());
        WaitUntilIdle(job);
    }
    EXPECT_EQ(job.Events(), "start run finish start run finish start run finish ");
}

TEST(JobTest, StopOnIdleJobReturnsAtOnce) {
    cResultJob never(0);
    cResultJob finished(0);
    ASSERT_TRUE(finished.Start());
    WaitUntilIdle(finished);
    // The cooperative wait alone would take 5 s; anything near it means Stop waited.
    const auto before = platform::MonotonicMilliseconds();
    EXPECT_TRUE(never.Stop());
    EXPECT_TRUE(finished.Stop());
    EXPECT_LT(platform::MonotonicMilliseconds() - before, 1000u);
    EXPECT_EQ(never.Events(), "");
}

class cPollingJob : public cRecordingJob {
public:
    ~cPollingJob() override { Stop(); }
    std::atomic<bool> started{false};

protected:
    unsigned Run() override {
        started = true;
        while (!IsStopRequested()) {
            platform::SleepMilliseconds(1);
        }
        return 5;
    }
};

TEST(JobTest, PollingJobEndsCooperatively) {
    cPollingJob job;
    ASSERT_TRUE(job.Start());
    while (!job.started) {
        platform::SleepMilliseconds(1);
    }
    EXPECT_TRUE(job.IsRunning());
    EXPECT_FALSE(job.IsStopRequested());
    job.Stop();
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(job.Events(), "start finish ");
    EXPECT_EQ(job.finishedWith, 5u);
    // Start clears an earlier stop request.
    job.started = false;
    ASSERT_TRUE(job.Start());
    while (!job.started) {
        platform::SleepMilliseconds(1);
    }
    EXPECT_FALSE(job.IsStopRequested());
}

// Ignores the stop request but passes abort points, as storage reads do.
class cStubbornJob : public cRecordingJob {
public:
    ~cStubbornJob() override { Stop(); }
    std::atomic<bool> leftLoop{false};
    std::atomic<bool> cleanedUp{false};

protected:
    unsigned Run() override {
        // Cleanup that passes an abort point while the abort unwinds must not end the
        // program.
        struct cReadsOnRelease {
            std::atomic<bool>& done;
            ~cReadsOnRelease() {
                cJob::ThrowIfAborted();
                done = true;
            }
        } guard{cleanedUp};
        for (int step = 0; step < 1000000; ++step) {
            cJob::ThrowIfAborted();
            platform::SleepMilliseconds(1);
        }
        leftLoop = true;
        return 9;
    }
    void OnAbort() override {
        // The delivered abort must not cut the hooks short.
        cJob::ThrowIfAborted();
        cRecordingJob::OnAbort();
    }
};

TEST(JobTest, JobThatNeverPollsIsAbortedAndStillFinishes) {
    cStubbornJob job;
    ASSERT_TRUE(job.Start());
    job.Stop();
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(job.leftLoop);
    EXPECT_TRUE(job.cleanedUp);
    EXPECT_EQ(job.Events(), "start abort finish ");
    EXPECT_EQ(job.finishedWith, 0u) << "Run never returned, so no result was known";
}

class cThrowingJob : public cRecordingJob {
public:
    explicit cThrowingJob(cJobExceptionHandler* handler = nullptr) : cRecordingJob(handler) {}
    ~cThrowingJob() override { Stop(); }

protected:
    unsigned Run() override { throw std::runtime_error("damaged data"); }
};

class cRefusingHandler : public cJobExceptionHandler {
public:
    int Filter(const std::exception_ptr& exception, unsigned code) override {
        lastCode = code;
        return 0;
    }
    unsigned lastCode = 0;
};

TEST(JobTest, ExceptionsAreContained) {
    cThrowingJob job;
    ASSERT_TRUE(job.Start());
    job.Stop();
    EXPECT_EQ(job.Events(), "start abort finish ");

    // A handler object that declines leaves the hooks out, but the job still ends.
    cRefusingHandler handler;
    cThrowingJob declined(&handler);
    ASSERT_TRUE(declined.Start());
    declined.Stop();
    EXPECT_FALSE(declined.IsRunning());
    EXPECT_EQ(declined.Events(), "start ");
    EXPECT_EQ(handler.lastCode, cJob::kForeignExceptionCode);
}

TEST(JobTest, AbortPointsOutsideJobsDoNothing) {
    EXPECT_FALSE(cJob::IsAborted());
    EXPECT_NO_THROW(cJob::ThrowIfAborted());
}

TEST(JobTest, DestroyingRunningJobStopsIt) {
    std::atomic<bool> seenStop{false};
    {
        class cFlagJob : public cJob {
        public:
            explicit cFlagJob(std::atomic<bool>& flag) : flag_(flag) {}
            ~cFlagJob() override { Stop(); }

        protected:
            unsigned Run() override {
                while (!IsStopRequested()) {
                    platform::SleepMilliseconds(1);
                }
                flag_ = true;
                return 0;
            }

        private:
            std::atomic<bool>& flag_;
        } job(seenStop);
        ASSERT_TRUE(job.Start());
    }
    EXPECT_TRUE(seenStop);
}

TEST(JobTest, OwnedBufferIsKept) {
    cResultJob job(0);
    EXPECT_EQ(job.OwnedBuffer(), nullptr);
    std::uint8_t* buffer = job.AllocateOwnedBuffer(4096);
    ASSERT_NE(buffer, nullptr);
    buffer[4095] = 1;
    EXPECT_EQ(job.OwnedBuffer(), buffer);
}

class cProgressRecorder : public cProgressNotifyTarget {
public:
    bool OnProgress(double percent) override {
        cScopedLock lock(lock_);
        values_.push_back(percent);
        return true;
    }
    std::vector<double> Values() {
        cScopedLock lock(lock_);
        return values_;
    }

private:
    cCriticalSection lock_;
    std::vector<double> values_;
};

TEST(UnknownProgressFakeJobTest, RisesTowardsHundredWithoutReachingIt) {
    cProgressRecorder recorder;
    cUnknownProgressFakeJob job(&recorder);
    ASSERT_TRUE(job.Start());
    while (recorder.Values().size() < 4) {
        platform::SleepMilliseconds(10);
    }
    job.Stop();
    const std::vector<double> values = recorder.Values();
    EXPECT_DOUBLE_EQ(values[0], 0.0);
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_GT(values[i], values[i - 1]);
        EXPECT_LT(values[i], 100.0);
    }
    // atan(0.1) * 2/pi * 100
    EXPECT_NEAR(values[1], 6.345, 0.001);
}

TEST(EventTest, AutoResetReleasesOneWaitManualResetStays) {
    cEvent autoReset;
    EXPECT_FALSE(autoReset.WaitFor(0));
    autoReset.Set();
    EXPECT_TRUE(autoReset.WaitFor(0));
    EXPECT_FALSE(autoReset.WaitFor(0));

    cEvent manual(true, true);
    EXPECT_TRUE(manual.WaitFor(0));
    EXPECT_TRUE(manual.Wait());
    manual.Reset();
    EXPECT_FALSE(manual.WaitFor(0));
}

} // namespace

namespace {

// The shape of a progress form: the job reports to itself and its answer carries the stop
// request back into the worker's loop.
class cSelfReportingJob : public cJob, public cProgressNotifyTarget {
public:
    ~cSelfReportingJob() override { Stop(); }
    bool OnProgress(double percent) override {
        ++reports;
        return !IsStopRequested();
    }
    std::atomic<int> reports{0};

protected:
    unsigned Run() override {
        cProgressNotifyTarget& target = *this;
        target.SetStage(3);
        for (double percent = 0; target.OnProgress(percent); percent += 0.001) {
            platform::SleepMilliseconds(1);
        }
        return 2;
    }
};

TEST(JobTest, JobCanBeItsOwnProgressTarget) {
    cSelfReportingJob job;
    ASSERT_TRUE(job.Start());
    while (job.reports < 3) {
        platform::SleepMilliseconds(1);
    }
    const auto before = platform::MonotonicMilliseconds();
    job.Stop();
    // Ended by its own answer within a poll or two, not by the forced abort.
    EXPECT_LT(platform::MonotonicMilliseconds() - before, 2000u);
    EXPECT_FALSE(job.IsRunning());
}

} // namespace
