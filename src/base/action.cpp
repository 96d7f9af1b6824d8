#include "base/action.h"

#include "base/job.h"

namespace {

// How often a sender waiting for the window thread looks at its job's abort flag.
constexpr std::uint32_t kAbortCheckMs = 20;

} // namespace

cCriticalSection& ActionQueueLock() {
    static cCriticalSection lock;
    return lock;
}

cActionQueue::~cActionQueue() {
    cChildAction* pending;
    {
        cScopedLock lock(ActionQueueLock());
        pending = first_;
        for (cChildAction* action = first_; action; action = action->next_) {
            action->state_ = cChildAction::State::Taken;
            action->queue_ = nullptr;
        }
        first_ = last_ = nullptr;
    }
    while (pending) {
        cChildAction* next = pending->next_;
        Complete(*pending, false);
        pending = next;
    }
}

void cActionQueue::Append(std::unique_ptr<cChildAction> action) {
    cScopedLock lock(ActionQueueLock());
    Link(*action.release(), true);
}

void cActionQueue::Append(cChildAction& action) {
    cScopedLock lock(ActionQueueLock());
    Link(action, false);
}

bool cActionQueue::Withdraw(cChildAction& action) {
    {
        cScopedLock lock(ActionQueueLock());
        if (!action.queue_ || action.state_ != cChildAction::State::Queued) {
            return false;
        }
        action.queue_->Unlink(action);
        action.state_ = cChildAction::State::Idle;
        action.queue_ = nullptr;
    }
    if (action.ownedByQueue_) {
        delete &action;
    }
    return true;
}

bool cActionQueue::IsEmpty() const {
    cScopedLock lock(ActionQueueLock());
    return first_ == nullptr;
}

cChildAction* cActionQueue::TakeNext() {
    cScopedLock lock(ActionQueueLock());
    cChildAction* action = first_;
    if (action) {
        Unlink(*action);
        action->state_ = cChildAction::State::Taken;
        action->queue_ = nullptr;
    }
    return action;
}

void cActionQueue::Link(cChildAction& action, bool owned) {
    action.queue_ = this;
    action.state_ = cChildAction::State::Queued;
    action.ownedByQueue_ = owned;
    action.next_ = nullptr;
    action.previous_ = last_;
    if (last_) {
        last_->next_ = &action;
    } else {
        first_ = &action;
    }
    last_ = &action;
}

void cActionQueue::Unlink(cChildAction& action) {
    (action.previous_ ? action.previous_->next_ : first_) = action.next_;
    (action.next_ ? action.next_->previous_ : last_) = action.previous_;
    action.next_ = action.previous_ = nullptr;
}

void cActionQueue::Complete(cChildAction& action, bool handled) {
    // Read before the hook: a sent action may be destroyed by its sender the moment
    // the hook releases it.
    const bool owned = action.ownedByQueue_;
    action.OnCompleted(handled);
    if (owned) {
        delete &action;
    }
}

bool PostChildAction(cActionTarget& target, std::unique_ptr<cChildAction> action) {
    target.PendingActions().Append(std::move(action));
    return target.RequestActionProcessing();
}

bool cSentChildAction::Send(cActionTarget& target) {
    cEvent done;
    event_ = &done;
    handled_ = false;
    target.PendingActions().Append(*this);
    if (!target.RequestActionProcessing() && cActionQueue::Withdraw(*this)) {
        return false;
    }
    // While we wait the target may be destroyed (its window closing); its queue then
    // releases this action, so only the action itself is touched from here on.
    while (!done.WaitFor(kAbortCheckMs)) {
        if (cJob::IsAborted() && cActionQueue::Withdraw(*this)) {
            cJob::ThrowIfAborted();
        }
    }
    // Handled, possibly just as an abort arrived: the abort point below delivers it.
    cJob::ThrowIfAborted();
    return handled_;
}

void cSentChildAction::OnCompleted(bool handled) {
    handled_ = handled;
    event_->Set();
}
