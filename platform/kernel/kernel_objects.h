// The waitable kernel objects: events, mutexes, semaphores and threads (inside the platform only). Their
// state is guarded by the wait lock (wait_queues.h).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/kernel/wait_machinery.h"
#include "platform/kernel/wait_queues.h"

namespace platform::dispatch {

class EventObject final : public Waitable {
  public:
    EventObject(bool manual, bool signalled) : manual_(manual), signalled_(signalled) {}
    bool Available(uint64_t) override { return signalled_; }
    DWORD Take(uint64_t) override {
        if (!manual_) signalled_ = false;
        return WAIT_OBJECT_0;
    }
    void Set(bool on) {
        signalled_ = on;
        if (on) Signal();
    }

  private:
    bool manual_;
    bool signalled_;
};

// How many times a freed mutex may be taken by threads that did not wait for it, while others wait, before
// its next release hands it to the oldest of them. Once, so that no waiter waits far longer than the rest.
constexpr uint32_t kMutexPassesBeforeHandOver = 1;

// Recursive; owned by a thread token. When its owner ends holding it, the next thread to take it is told
// so (WAIT_ABANDONED) and owns it.
// Freed, it is offered to its oldest waiter and goes to whoever takes it first: a thread that is running
// when it asks may pass the woken waiter, which keeps its place in the queue, so the mutex is not left
// idle while the waiter is scheduled. After kMutexPassesBeforeHandOver such passes the next release hands
// it to the oldest waiter, so no waiter starves.
class MutexObject final : public Waitable {
  public:
    // A mutex that never hands over is only ever offered: for locks held for moments, where a lock handed
    // to a sleeping waiter would stand unused until it has woken, far longer than it is held.
    explicit MutexObject(bool handsOver = true) : handsOver_(handsOver) {}
    bool Available(uint64_t token) override { return count_ == 0 || owner_ == token; }
    DWORD Take(uint64_t token) override {
        if (count_ == 0) passes_ = !HasWaiters() || Queued(token) ? 0 : passes_ + 1;
        owner_ = token;
        ++count_;
        if (!abandoned_) return WAIT_OBJECT_0;
        abandoned_ = false;
        return WAIT_ABANDONED;
    }
    bool TracksOwner() const override { return true; }
    bool OwnedBy(uint64_t token) const override { return count_ != 0 && owner_ == token; }
    void OwnerEnded(uint64_t token) override {
        if (!OwnedBy(token)) return;
        count_ = 0;
        owner_ = 0;
        abandoned_ = true;
        Freed();
    }
    // False when the token does not own it.
    bool Release(uint64_t token) {
        if (!OwnedBy(token)) return false;
        if (--count_ == 0) {
            owner_ = 0;
            Freed();
        }
        return true;
    }

  private:
    void Freed() {
        if (handsOver_ && passes_ >= kMutexPassesBeforeHandOver) {
            Signal();
        } else {
            Offer();
        }
    }

    bool handsOver_;
    uint64_t owner_ = 0;
    uint32_t count_ = 0;
    uint32_t passes_ = 0;  // takes by threads that did not wait, since a waiter last took it
    bool abandoned_ = false;
};

class SemaphoreObject final : public Waitable {
  public:
    SemaphoreObject(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
    bool Available(uint64_t) override { return count_ > 0; }
    DWORD Take(uint64_t) override {
        --count_;
        return WAIT_OBJECT_0;
    }
    // False when the count would pass the maximum.
    bool Release(LONG n, LONG* previous) {
        if (n <= 0 || n > maximum_ - count_) return false;
        if (previous != nullptr) *previous = count_;
        count_ += n;
        Signal();
        return true;
    }

  private:
    LONG count_;
    LONG maximum_;
};

// Signalled once the thread has ended; keeps its exit code.
class ThreadObject final : public Waitable {
  public:
    static constexpr DWORD kStillActive = 259;
    bool Available(uint64_t) override { return ended_; }
    DWORD Take(uint64_t) override { return WAIT_OBJECT_0; }
    void End(DWORD exitCode) {
        exitCode_ = exitCode;
        ended_ = true;
        Signal();
    }
    DWORD exitCode() const { return ended_ ? exitCode_ : kStillActive; }

  private:
    bool ended_ = false;
    DWORD exitCode_ = kStillActive;
};

}  // namespace platform::dispatch
