// The one clock through which every sleep, timer and time-out of the system goes.
//
// Production uses the real clock. CORLINK_TIME_SCALE (read once; for example 0.01) makes it run faster:
// sleeps and time-outs take `scale` of their real length and its readings (NowMs, MonotonicMs, and so
// GetTickCount and the system time) advance 1/scale times as fast, so a 60-second deadline loop ends after
// 0.6 s in end-to-end tests. Other processes do not answer any faster for it: a bound on another process's
// answer keeps its real length (RealTimeBound), or a loaded machine would trip it.
//
// Unit tests install a VirtualClock: a discrete-event clock. Time stands still while any thread that takes
// part in it runs; once every taking-part thread is blocked, time jumps to the earliest deadline asked for
// and the waits due then end. Two threads sleeping 10 s at the same time leave it 10 s later, not 20.
//
// Which threads take part:
// - threads started through _beginthreadex, multimedia-timer threads, and any thread that holds a
//   TakingPart object (a test's own thread or std::thread, when the test needs time to wait for it);
// - a thread that takes part counts as blocked while it waits on the clock (Sleep, any wait of a kernel
//   object, with or without a time-out) and while it is inside a BlockedOutsideClock scope, which the
//   platform's blocking I/O (sockets, pipes) uses: time may pass while a thread waits for bytes, since a
//   peer that takes part cannot answer without running, and one that does not take part is not waited for;
// - other threads do not hold time: their timed waits end when their deadline comes, but time does not
//   wait for them while they run. The thread that installs the clock takes part only through TakingPart,
//   since tests commonly join threads, read sockets or poll in real time, which the clock cannot see.
// A thread that takes part and blocks elsewhere (joining a thread, an endless read outside the platform)
// holds time still: mark such blocking with BlockedOutsideClock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// A time-out that never passes.
constexpr uint32_t kNoTimeLimit = 0xFFFFFFFF;

class Clock;

// One blocked thread; the platform's wait machinery (kernel/wait_machinery.h) defines it.
struct ClockWait;

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since 1970-01-01 UTC.
    virtual uint64_t NowMs() = 0;
    // Milliseconds since an arbitrary start; never goes back.
    virtual uint64_t MonotonicMs() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // A sleep that does not go through Sleep (an alertable one) was asked for.
    virtual void NoteSleep(uint32_t) {}
    // The time-out to give a wait so that it lasts ms of real time: for a bound on another process's answer,
    // which a scaled clock does not make come any sooner.
    virtual uint32_t RealTimeBound(uint32_t ms) { return ms; }

    // The wait lock is held for these.
    // Blocks until wait.woken, or until timeoutMs pass (kNoTimeLimit: no limit; then wait.expired is set).
    virtual void Block(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) = 0;
    // A thread that takes part stopped running outside a wait (it ended or blocks outside the clock).
    virtual void ThreadIdle(std::unique_lock<std::mutex>&) {}
    // A wait ended before its time: the clock drops it.
    virtual void Forget(ClockWait&) {}
};

// The clock in force; the real clock unless a test installed another.
Clock& GetClock();
// Installs a clock (null restores the real one). The caller keeps ownership.
void SetClock(Clock* clock);

// The calling thread takes part in virtual time while the object lives (nestable).
class TakingPart {
  public:
    TakingPart();
    ~TakingPart();
    TakingPart(const TakingPart&) = delete;
    TakingPart& operator=(const TakingPart&) = delete;
};

// While one lives, the calling thread counts as running even while it waits on the clock: for a wait
// bounded on a peer outside the clock (another process), whose bytes take real time however fast time
// runs here. Virtual time then does not run out on its own while the thread waits; the bound passes
// when other threads or the test move time there.
class WaitingForPeer {
  public:
    WaitingForPeer();
    ~WaitingForPeer();
    WaitingForPeer(const WaitingForPeer&) = delete;
    WaitingForPeer& operator=(const WaitingForPeer&) = delete;
};

// The calling thread, if it takes part, counts as blocked while the object lives: for blocking calls
// that do not go through the clock (socket and pipe I/O).
class BlockedOutsideClock {
  public:
    BlockedOutsideClock();
    ~BlockedOutsideClock();
    BlockedOutsideClock(const BlockedOutsideClock&) = delete;
    BlockedOutsideClock& operator=(const BlockedOutsideClock&) = delete;

  private:
    bool counted_;
};

class RealClock final : public Clock {
  public:
    explicit RealClock(double scale = 1.0);
    uint64_t NowMs() override;
    uint64_t MonotonicMs() override;
    void Sleep(uint32_t ms) override;
    uint32_t RealTimeBound(uint32_t ms) override;
    void Block(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) override;

  private:
    uint64_t Scaled(uint32_t ms) const;
    double scale_;
    uint64_t wallStartMs_;
    uint64_t steadyStartMs_;
};

// Virtual time for tests (see the top of this file). Sleeps are recorded, so a test can assert the exact
// durations the code asked for.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(uint64_t startMs = 1'780'000'000'000ULL);
    // Ends the timed waits still pending on it, as if their time had come.
    ~VirtualClock() override;
    uint64_t NowMs() override { return now_.load(); }
    uint64_t MonotonicMs() override { return mono_.load(); }
    void Sleep(uint32_t ms) override;
    void NoteSleep(uint32_t ms) override;
    void Block(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) override;
    void ThreadIdle(std::unique_lock<std::mutex>& lock) override;
    void Forget(ClockWait& wait) override;

    // Moves time on by ms at once, ending the waits and running the actions due on the way.
    void Advance(uint64_t ms);
    // Runs action once when monotonic time reaches atMs (at once if it has), before the waits due then end.
    // It runs on the thread that moves time, without the wait lock, and time stands still while it runs:
    // it may set events or release objects, but must not wait or sleep.
    void At(uint64_t atMs, std::function<void()> action);

    // Every Sleep the code asked for, in order.
    std::vector<uint32_t> Sleeps();
    uint64_t TotalSlept();
    void ClearSleeps();

  private:
    void MoveTo(uint64_t mono);
    void RunDue(std::unique_lock<std::mutex>& lock, uint64_t untilMs, bool onlyWhenIdle);
    bool RunNextAction(std::unique_lock<std::mutex>& lock, uint64_t untilMs);
    void Expire(ClockWait& wait);

    std::atomic<uint64_t> now_;
    std::atomic<uint64_t> mono_;
    // Guarded by the wait lock:
    std::vector<ClockWait*> waits_;
    std::multimap<uint64_t, std::function<void()>> actions_;
    bool actionRunning_ = false;
    std::condition_variable actionDone_;
    std::vector<uint32_t> sleeps_;
};

// Installs a VirtualClock for the lifetime of the object.
class ScopedVirtualClock {
  public:
    ScopedVirtualClock() { SetClock(&clock_); }
    ~ScopedVirtualClock() { SetClock(nullptr); }
    VirtualClock* operator->() { return &clock_; }
    VirtualClock& get() { return clock_; }

  private:
    VirtualClock clock_;
};

}  // namespace platform
