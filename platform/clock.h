// The one clock through which every sleep, timer and time-out of the system goes.
//
// Production uses the real clock, whose sleeps and time-outs are scaled by CORLINK_TIME_SCALE (read once;
// 0.01 makes a 60-second wait take 0.6 s) so that child processes in end-to-end tests run fast.
// Unit tests install a VirtualClock: sleeps cost nothing, advance virtual time and are recorded, so a
// test can assert the exact durations the code asked for.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since 1970-01-01 UTC.
    virtual uint64_t NowMs() = 0;
    // Milliseconds since an arbitrary start; never goes back.
    virtual uint64_t MonotonicMs() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // Waits on cv (lock held) until pred() is true or timeoutMs pass; returns pred().
    virtual bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                         const std::function<bool()>& pred) = 0;
};

// The clock in force; the real clock unless a test installed another.
Clock& GetClock();
// Installs a clock (null restores the real one). The caller keeps ownership.
void SetClock(Clock* clock);

class RealClock final : public Clock {
public:
    explicit RealClock(double scale = 1.0) : scale_(scale) {}
    uint64_t NowMs() override;
    uint64_t MonotonicMs() override;
    void Sleep(uint32_t ms) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                 const std::function<bool()>& pred) override;

private:
    uint64_t Scaled(uint32_t ms) const;
    double scale_;
};

// Virtual time for tests. Sleeps and time-outs advance the clock at once; waits that could still be
// satisfied by another thread give it a brief real moment first.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(uint64_t startMs = 1'780'000'000'000ULL) : now_(startMs), mono_(0) {}
    uint64_t NowMs() override;
    uint64_t MonotonicMs() override;
    void Sleep(uint32_t ms) override;
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                 const std::function<bool()>& pred) override;

    void Advance(uint64_t ms);
    // Every Sleep the code asked for, in order.
    std::vector<uint32_t> Sleeps();
    uint64_t TotalSlept();
    void ClearSleeps();

private:
    std::mutex m_;
    uint64_t now_;
    uint64_t mono_;
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
