// The platform's own wait machinery, inside the platform only: the one wait lock, a blocked thread's
// record, and blocking and waking on the clock in force. Code outside the platform waits through the kernel
// objects, critical sections and condition variables that the platform builds on it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/time/clock.h"

namespace platform {

// The lock held by every wait of the platform while it decides, blocks and wakes (kernel objects,
// timers, sleeps). Clocks keep their waiting threads under it.
std::mutex& WaitLock();

// One blocked thread, on its own stack. Every field is guarded by the wait lock.
struct ClockWait {
    // Made when the thread first blocks; shared, so that a waker may signal it after releasing the wait
    // lock (DeferredWakes) even if the wait has ended by then.
    std::shared_ptr<std::condition_variable> cv;
    bool woken = false;    // another thread ended the wait (Wake)
    bool expired = false;  // its time passed
    // Kept by the clocks:
    bool countedBlocked = false;
    uint64_t deadline = 0;
    Clock* registeredWith = nullptr;
};

// Blocks the calling thread on the clock in force (wait lock held through lock); counts it as blocked
// while it takes part. Returns true when woken, false when the time-out passed.
bool BlockOnClock(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs);
// Wait lock held: ends a blocked wait; its thread counts as running from now on.
void Wake(ClockWait& wait);

// While one lives on a thread, the wake-ups that thread's Wake calls ask for are sent when it ends instead
// of at once. Declared before the wait lock is taken, it sends them after the lock is released: the woken
// threads then do not run into the lock still held by their waker (a wake-up costs a system call, and the
// lock would be held through it). Having woken a thread, the waker then yields its processor, as a thread
// released by a kernel object on Windows runs with a priority boost: the system tends to queue a woken
// thread behind its waker, and a mutex handed over would stand unused until the waker stopped. For code
// that releases or sets an object and does not wait itself. A waker whose woken threads need nothing it
// holds may go on instead (Then::GoOn); the outermost one decides.
class DeferredWakes {
  public:
    enum class Then { Yield, GoOn };
    explicit DeferredWakes(Then then = Then::Yield);
    ~DeferredWakes();
    DeferredWakes(const DeferredWakes&) = delete;
    DeferredWakes& operator=(const DeferredWakes&) = delete;
    // Sends the wake-ups asked for so far (wait lock not held): for a waiter that goes back to sleep or
    // runs other code before it ends.
    void Send();
    bool Pending() const { return !wakes_.empty(); }

  private:
    friend void Wake(ClockWait& wait);
    Then then_;
    DeferredWakes* outer_;
    std::vector<std::shared_ptr<std::condition_variable>> wakes_;
};

}  // namespace platform
