// The waitable kernel objects: events, mutexes, semaphores and threads (inside the platform only). Their
// state is guarded by the wait lock (dispatcher.h).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/dispatcher.h"

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

// Recursive; owned by a thread token. When its owner ends holding it, the next thread to take it is told
// so (WAIT_ABANDONED) and owns it.
class MutexObject final : public Waitable {
  public:
    bool Available(uint64_t token) override { return count_ == 0 || owner_ == token; }
    DWORD Take(uint64_t token) override {
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
        Signal();
    }
    // False when the token does not own it.
    bool Release(uint64_t token) {
        if (!OwnedBy(token)) return false;
        if (--count_ == 0) {
            owner_ = 0;
            Signal();
        }
        return true;
    }

  private:
    uint64_t owner_ = 0;
    uint32_t count_ = 0;
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
