#pragma once
// The two synchronisation objects jobs and the window thread share: a critical section
// with a scoped lock, and an event that is either auto-reset (one waiter released per
// Set) or manual-reset (stays signalled until Reset).

#include <condition_variable>
#include <cstdint>
#include <mutex>

class cCriticalSection {
public:
    cCriticalSection() = default;
    cCriticalSection(const cCriticalSection&) = delete;
    cCriticalSection& operator=(const cCriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

// Enters on construction and leaves on destruction, so every exit path (including the
// job-abort exception) releases the section.
class cScopedLock {
public:
    explicit cScopedLock(cCriticalSection& section) : section_(section) { section_.Enter(); }
    ~cScopedLock() { section_.Leave(); }
    cScopedLock(const cScopedLock&) = delete;
    cScopedLock& operator=(const cScopedLock&) = delete;

private:
    cCriticalSection& section_;
};

class cEvent {
public:
    explicit cEvent(bool manualReset = false, bool initiallySignalled = false)
        : manualReset_(manualReset), signalled_(initiallySignalled) {}
    cEvent(const cEvent&) = delete;
    cEvent& operator=(const cEvent&) = delete;

    // Signals the event: releases every waiter of a manual-reset event, or exactly one
    // waiter (or the next one to come) of an auto-reset event.
    void Set();
    void Reset();

    // Waits without time limit; true when signalled (always, as nothing else ends it).
    bool Wait();

    // Waits at most the given time; true when signalled, false on time-out. An
    // auto-reset event is consumed by a successful wait.
    bool WaitFor(std::uint32_t milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
};
