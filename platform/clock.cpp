#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

double ScaleFromEnvironment() {
    const char* text = std::getenv("CORLINK_TIME_SCALE");
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (end == text || !(scale > 0.0) || scale > 1000.0) return 1.0;
    return scale;
}

// Never destroyed: threads that outlive main (and log on their way out) still read the clock.
RealClock& TheRealClock() {
    static RealClock* clock = new RealClock(ScaleFromEnvironment());
    return *clock;
}

std::atomic<Clock*> g_clock{nullptr};

}  // namespace

Clock& GetClock() {
    Clock* c = g_clock.load(std::memory_order_acquire);
    return c != nullptr ? *c : TheRealClock();
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

uint64_t RealClock::NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

uint64_t RealClock::MonotonicMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t RealClock::Scaled(uint32_t ms) const {
    double scaled = static_cast<double>(ms) * scale_;
    return static_cast<uint64_t>(scaled);
}

void RealClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Scaled(ms))); }

bool RealClock::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                        const std::function<bool()>& pred) {
    return cv.wait_for(lock, std::chrono::milliseconds(Scaled(timeoutMs)), pred);
}

uint64_t VirtualClock::NowMs() {
    std::lock_guard<std::mutex> g(m_);
    return now_;
}

uint64_t VirtualClock::MonotonicMs() {
    std::lock_guard<std::mutex> g(m_);
    return mono_;
}

void VirtualClock::Advance(uint64_t ms) {
    std::lock_guard<std::mutex> g(m_);
    now_ += ms;
    mono_ += ms;
}

void VirtualClock::Sleep(uint32_t ms) {
    {
        std::lock_guard<std::mutex> g(m_);
        sleeps_.push_back(ms);
    }
    Advance(ms);
    std::this_thread::yield();
}

bool VirtualClock::WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                           const std::function<bool()>& pred) {
    if (pred()) return true;
    // Another thread may be about to satisfy the wait: give it a real moment, then let the time-out pass.
    constexpr uint32_t kRealGraceMs = 20;
    bool done = cv.wait_for(lock, std::chrono::milliseconds(std::min(timeoutMs, kRealGraceMs)), pred);
    if (!done) Advance(timeoutMs);
    return done;
}

std::vector<uint32_t> VirtualClock::Sleeps() {
    std::lock_guard<std::mutex> g(m_);
    return sleeps_;
}

uint64_t VirtualClock::TotalSlept() {
    std::lock_guard<std::mutex> g(m_);
    uint64_t total = 0;
    for (uint32_t s : sleeps_) total += s;
    return total;
}

void VirtualClock::ClearSleeps() {
    std::lock_guard<std::mutex> g(m_);
    sleeps_.clear();
}

}  // namespace platform
