#pragma once
// Actions: how anything (the window thread itself, or a job's worker thread) hands work
// to an element, which only the window thread may touch.
//
// The GUI library implements cActionTarget on its elements and drives each element's
// cActionQueue on the window thread; workers only ever call PostChildAction() or
// cSentChildAction::Send(). The pieces, and who calls what:
//
//   worker thread                          window thread
//   -------------                          -------------
//   PostChildAction(target, action)   -->  queue.Append, target.RequestActionProcessing()
//   sent.Send(target)                      ... the host's wake-up reaches the element ...
//     append, wake, wait on event     <--  target.PendingActions().Process(handler):
//                                            handler(action) for each, in queue order,
//                                            then the completion hook (signals a sender)
//
// One process-wide lock (ActionQueueLock) guards every queue; it is held only while an
// action is linked or unlinked, never while an action is handled or waited for, so a
// worker blocked in Send cannot block the window thread.
//
// Ownership: a posted action belongs to the queue from PostChildAction on and is deleted
// after it has been handled (or when the queue is destroyed). A sent action belongs to
// its sender, which waits until the window thread is done with it, so it usually lives
// on the sender's stack and carries the answer back in its own fields.

#include "base/sync.h"

#include <memory>

class cActionQueue;

// The process-wide lock of all action queues. Held only for linking and unlinking.
cCriticalSection& ActionQueueLock();

// A message to an element. The kind is fixed by the constructor of each subclass and is
// read by the receiving element, together with the payload the subclass adds.
class cChildAction {
public:
    explicit cChildAction(int kind) : kind_(kind) {}
    virtual ~cChildAction() = default;
    cChildAction(const cChildAction&) = delete;
    cChildAction& operator=(const cChildAction&) = delete;

    int Kind() const { return kind_; }

    // The action's own work, run on the window thread. The receiving element's handler
    // decides whether to call it; most actions are plain messages read by kind and
    // payload, and leave it empty.
    virtual void Execute() {}

    // Completion hook, run on the window thread after the action has been handled
    // (handled = true) or dropped unhandled because its queue was destroyed (false).
    // For a sent action this releases the waiting sender, after which the action may be
    // gone: nothing may touch it once the hook has returned.
    virtual void OnCompleted(bool handled) {}

private:
    friend class cActionQueue;
    enum class State { Idle, Queued, Taken };

    const int kind_;
    // Queue links and state, guarded by ActionQueueLock.
    cActionQueue* queue_ = nullptr;
    cChildAction* next_ = nullptr;
    cChildAction* previous_ = nullptr;
    State state_ = State::Idle;
    bool ownedByQueue_ = false;
};

// The pending actions of one element, in arrival order. Any thread may add; only the
// window thread processes. Destroying the queue drops what is pending: posted actions
// are deleted, senders are released with a failed send.
class cActionQueue {
public:
    cActionQueue() = default;
    ~cActionQueue();
    cActionQueue(const cActionQueue&) = delete;
    cActionQueue& operator=(const cActionQueue&) = delete;

    // Queues an action the queue will own and delete.
    void Append(std::unique_ptr<cChildAction> action);
    // Queues an action its caller keeps owning; it must stay alive until its completion
    // hook has run.
    void Append(cChildAction& action);
    // Takes a still-queued action back out of whatever queue holds it; false when it is
    // not queued (already taken by the window thread, dropped, or never appended). A
    // withdrawn owned action is deleted. Static because the queue may be gone already.
    static bool Withdraw(cChildAction& action);
    bool IsEmpty() const;

    // Window thread: takes the queued actions one at a time, in order, until the queue
    // is empty (actions appended meanwhile are included), and for each calls handler
    // and then the action's completion hook. Handler is any callable taking
    // cChildAction&, typically the element's own action dispatch.
    template <typename Handler> void Process(Handler&& handler) {
        while (cChildAction* action = TakeNext()) {
            handler(*action);
            Complete(*action, true);
        }
    }

private:
    cChildAction* TakeNext();
    void Link(cChildAction& action, bool owned);
    void Unlink(cChildAction& action);
    static void Complete(cChildAction& action, bool handled);

    cChildAction* first_ = nullptr;
    cChildAction* last_ = nullptr;
};

// What an element offers to senders. The GUI library implements it on its elements:
// the request travels up the parent chain to the root element, whose window host posts
// the wake-up to the window thread.
class cActionTarget {
public:
    virtual cActionQueue& PendingActions() = 0;
    // Asks the window thread to process this target's queue. Callable from any thread.
    // False when no window host can be reached or the wake-up could not be posted.
    virtual bool RequestActionProcessing() = 0;

protected:
    ~cActionTarget() = default;
};

// Queues an action without waiting for it. False when the window could not be woken;
// the action then stays queued for the next processing (or is dropped with the queue).
bool PostChildAction(cActionTarget& target, std::unique_ptr<cChildAction> action);

// An action whose sender waits until the window thread has handled it: questions to the
// user, and anything a worker must know has happened before it goes on.
class cSentChildAction : public cChildAction {
public:
    using cChildAction::cChildAction;

    // Queues the action on target, wakes its window and waits without time limit until
    // the action has been handled. True when it was handled; false at once when the
    // window cannot be woken (the action is taken back), and false when the target's
    // queue was destroyed without handling it.
    //
    // Called from a job that is aborted by force while waiting, it takes the action back
    // (or, when the window thread is already handling it, waits for that to finish) and
    // throws cJobAbort, so that a window thread stopping the job cannot deadlock with it.
    //
    // Only for threads other than the window thread, which would wait for itself.
    bool Send(cActionTarget& target);

    void OnCompleted(bool handled) final;

private:
    cEvent* event_ = nullptr;
    bool handled_ = false;
};
