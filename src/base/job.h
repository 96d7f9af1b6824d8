#pragma once
// Background jobs. Every long operation (enumeration, listing, copying, scans) derives
// from cJob and does its work in Run() on a thread of its own while the window thread
// keeps drawing.
//
// Lifecycle: a job is idle (finished), running, or stopping (stop requested). Start
// moves idle to running; the end of Run, or an exception out of it, moves it back to
// idle; Stop always ends in idle. A finished job may be started again.
//
// Stopping is cooperative first: Stop() raises the stop request, which Run() is expected
// to poll through IsStopRequested() at every unit of work. A worker that has not ended
// after 50 polls of 100 ms is aborted by force: its abort flag is raised and the next
// abort point it reaches throws cJobAbort on the worker. Abort points are
// cJob::ThrowIfAborted(), which every storage read and every long loop calls; it needs no
// job pointer, so code deep inside readers can call it without knowing which job (if
// any) runs it. The thread procedure catches the exception and runs OnAbort() and
// OnFinish() on the worker, so the job still ends through its normal hooks. Waiting in
// cSentChildAction::Send is an abort point too. A worker that reaches no abort point at
// all cannot be ended on this platform; Stop then waits for it.
//
// Because the abort unwinds the worker's stack, job code keeps its resources in objects
// that release them on unwinding, and never swallows exceptions it does not know
// (`catch (...)` without rethrow would eat the abort).
//
// A subclass whose Run() uses the subclass's own members must call Stop() in its own
// destructor: cJob's destructor stops the job too, but by then the subclass part is
// gone. A job must not be destroyed, restarted or waited for from its own worker thread.

#include "base/sync.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

// The exception raised on a worker by a forced abort. Deliberately not derived from
// std::exception, so that handlers for ordinary errors do not catch it.
struct cJobAbort {
    unsigned code = 0;
};

// Decides what happens to an exception that left a job's Run(): returning 1 runs the
// abort path (OnAbort, then OnFinish); any other value ends the thread without them.
class cJobExceptionHandler {
public:
    virtual ~cJobExceptionHandler() = default;
    virtual int Filter(const std::exception_ptr& exception, unsigned code) = 0;
};

class cJob {
public:
    // The system's "still active" exit code. A Run() result equal to it is reported as 1
    // so that a finished job can never look like a running one.
    static constexpr unsigned kStillActive = 259;
    // The code ExceptionFilter receives for exceptions other than cJobAbort.
    static constexpr unsigned kForeignExceptionCode = 0xFFFFFFFFu;
    // ExceptionFilter's answer that runs the abort path.
    static constexpr int kHandleException = 1;

    explicit cJob(cJobExceptionHandler* exceptionHandler = nullptr);
    virtual ~cJob();
    cJob(const cJob&) = delete;
    cJob& operator=(const cJob&) = delete;

    // Stops any previous run, clears the stop request and starts a new worker thread.
    // False (and the job stays idle) when the thread cannot be created.
    bool Start();
    bool IsRunning();
    void RequestStop();
    bool IsStopRequested();
    // Cooperative stop, then forced abort, then waits until the worker has ended.
    // Returns at once for a job that is not running. Always returns true.
    bool Stop();

    // The abort point: throws cJobAbort when the job running on the calling thread has
    // been aborted by force. Costs one thread-local load and one relaxed atomic load, so
    // it may be called per sector. Does nothing outside jobs, nothing while an exception
    // unwinds (cleanup in destructors may read), and nothing once the abort has been
    // delivered (OnAbort and OnFinish run undisturbed).
    static void ThrowIfAborted();
    // The same test without the throw, for loops that prefer to unwind by themselves.
    static bool IsAborted();

    // A buffer the job keeps for its lifetime (freed by the destructor or by the next
    // allocation). Null when the allocation fails.
    std::uint8_t* AllocateOwnedBuffer(std::size_t size);
    std::uint8_t* OwnedBuffer() const { return ownedBuffer_.get(); }

protected:
    virtual unsigned Run() = 0;
    virtual void OnStart() {}
    virtual void OnFinish(unsigned result) {}
    virtual void OnAbort() {}
    // With no handler object: kHandleException. Otherwise the handler decides.
    virtual int ExceptionFilter(const std::exception_ptr& exception, unsigned code);

private:
    void ThreadProcedure();
    bool OnOwnThread() const;
    void ReleaseThread();

    cJobExceptionHandler* const exceptionHandler_;
    bool stopRequested_ = false;
    bool finished_ = true;
    std::unique_ptr<std::uint8_t[]> ownedBuffer_;
    cCriticalSection lock_;
    std::thread thread_;
    // Set by the worker itself, so that calls from the worker are recognised without
    // reading thread_, which the owner may be joining at the same time.
    std::atomic<std::thread::id> workerId_{};
    std::atomic<bool> abortRequested_{false};
};
