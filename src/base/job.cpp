#include "base/job.h"

#include "platform/clock.h"

#include <new>
#include <system_error>

namespace {

// The abort flag of the job whose thread procedure runs on this thread; null outside
// jobs and once an abort has been delivered.
thread_local const std::atomic<bool>* tCurrentAbortFlag = nullptr;

constexpr int kCooperativePolls = 50;
constexpr std::uint32_t kCooperativePollMs = 100;
constexpr std::uint32_t kForcedPollMs = 10;

unsigned CodeOf(const std::exception_ptr& exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const cJobAbort& abort) {
        return abort.code;
    } catch (...) {
        return cJob::kForeignExceptionCode;
    }
}

} // namespace

cJob::cJob(cJobExceptionHandler* exceptionHandler) : exceptionHandler_(exceptionHandler) {}

cJob::~cJob() {
    Stop();
}

bool cJob::Start() {
    if (OnOwnThread()) {
        return false;
    }
    Stop();
    {
        cScopedLock lock(lock_);
        stopRequested_ = false;
        finished_ = false;
    }
    abortRequested_.store(false);
    try {
        thread_ = std::thread(&cJob::ThreadProcedure, this);
    } catch (const std::system_error&) {
        cScopedLock lock(lock_);
        finished_ = true;
        return false;
    }
    return true;
}

bool cJob::IsRunning() {
    cScopedLock lock(lock_);
    return !finished_;
}

void cJob::RequestStop() {
    cScopedLock lock(lock_);
    stopRequested_ = true;
}

bool cJob::IsStopRequested() {
    cScopedLock lock(lock_);
    return stopRequested_;
}

bool cJob::Stop() {
    if (OnOwnThread()) {
        // A worker cannot wait for itself; it may only ask itself to stop.
        RequestStop();
        return true;
    }
    if (IsRunning()) {
        RequestStop();
        for (int poll = 0; poll < kCooperativePolls && IsRunning(); ++poll) {
            platform::SleepMilliseconds(kCooperativePollMs);
        }
        if (IsRunning()) {
            abortRequested_.store(true);
            while (IsRunning()) {
                platform::SleepMilliseconds(kForcedPollMs);
            }
        }
    }
    ReleaseThread();
    return true;
}

void cJob::ThrowIfAborted() {
    // Not while an exception unwinds the worker: an abort point reached from a destructor
    // then would terminate the program instead of ending the job.
    if (IsAborted() && std::uncaught_exceptions() == 0) {
        throw cJobAbort{0};
    }
}

bool cJob::IsAborted() {
    const std::atomic<bool>* flag = tCurrentAbortFlag;
    return flag && flag->load(std::memory_order_relaxed);
}

std::uint8_t* cJob::AllocateOwnedBuffer(std::size_t size) {
    ownedBuffer_.reset(new (std::nothrow) std::uint8_t[size]);
    return ownedBuffer_.get();
}

int cJob::ExceptionFilter(const std::exception_ptr& exception, unsigned code) {
    return exceptionHandler_ ? exceptionHandler_->Filter(exception, code) : kHandleException;
}

void cJob::ThreadProcedure() {
    workerId_.store(std::this_thread::get_id());
    tCurrentAbortFlag = &abortRequested_;
    unsigned result = 0;
    bool finishEntered = false;
    try {
        try {
            OnStart();
            result = Run();
            if (result == kStillActive) {
                result = 1;
            }
            finishEntered = true;
            OnFinish(result);
        } catch (...) {
            // The abort has been delivered: the hooks below must not be cut short by
            // their own abort points.
            tCurrentAbortFlag = nullptr;
            const std::exception_ptr exception = std::current_exception();
            if (ExceptionFilter(exception, CodeOf(exception)) == kHandleException) {
                OnAbort();
                // An exception out of OnFinish itself must not finish the job twice.
                if (!finishEntered) {
                    OnFinish(result);
                }
            }
        }
    } catch (...) {
        // Nothing may leave a worker thread: the program must not terminate because one
        // job met damaged data.
    }
    tCurrentAbortFlag = nullptr;
    workerId_.store(std::thread::id());
    cScopedLock lock(lock_);
    finished_ = true;
}

bool cJob::OnOwnThread() const {
    return workerId_.load() == std::this_thread::get_id();
}

void cJob::ReleaseThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
}
