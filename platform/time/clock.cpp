#include "platform/time/clock.h"

#include <pthread.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock_threads.h"

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

uint64_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t WallMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

// Every wait, release and set of the process holds the wait lock for well under a microsecond: a thread that
// finds it taken spins a little before it sleeps (an adaptive mutex), since sleeping and being woken cost
// both threads far more than the wait.
std::mutex* NewWaitLock() {
    auto* lock = new std::mutex;
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0) return lock;
    if (pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP) == 0) {
        pthread_mutex_destroy(lock->native_handle());
        pthread_mutex_init(lock->native_handle(), &attributes);
    }
    pthread_mutexattr_destroy(&attributes);
    return lock;
}

}  // namespace

std::mutex& WaitLock() {
    static std::mutex* lock = NewWaitLock();  // outlives the threads that wait at exit
    return *lock;
}

Clock& GetClock() {
    Clock* c = g_clock.load(std::memory_order_acquire);
    return c != nullptr ? *c : TheRealClock();
}

void SetClock(Clock* clock) {
    std::lock_guard<std::mutex> g(WaitLock());  // a wait never finds a clock that is going away
    g_clock.store(clock, std::memory_order_release);
}

namespace threads {
bool ClockInstalled() { return g_clock.load(std::memory_order_acquire) != nullptr; }
}  // namespace threads

bool BlockOnClock(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) {
    return threads::BlockOn(GetClock(), lock, wait, timeoutMs);
}

namespace {

// The innermost DeferredWakes of the thread. A plain pointer: it stays valid while the thread's other
// thread-local objects are destroyed, and their destructors may release objects.
thread_local DeferredWakes* t_deferring = nullptr;

}  // namespace

void Wake(ClockWait& wait) {
    wait.woken = true;
    threads::Uncount(wait);
    if (wait.registeredWith != nullptr) wait.registeredWith->Forget(wait);
    // never blocked (a waker only finds a wait once it blocks): none to signal
    if (wait.cv == nullptr) return;
    if (t_deferring != nullptr) {
        t_deferring->wakes_.push_back(wait.cv);
    } else {
        wait.cv->notify_one();
    }
}

DeferredWakes::DeferredWakes(Then then) : then_(then), outer_(t_deferring) { t_deferring = this; }

DeferredWakes::~DeferredWakes() {
    t_deferring = outer_;
    if (outer_ != nullptr) {  // the outermost one sends them
        outer_->wakes_.insert(outer_->wakes_.end(), wakes_.begin(), wakes_.end());
        return;
    }
    if (wakes_.empty()) return;
    Send();
    if (then_ == Then::Yield) std::this_thread::yield();
}

void DeferredWakes::Send() {
    for (auto& cv : wakes_) cv->notify_one();
    wakes_.clear();
}

RealClock::RealClock(double scale) : scale_(scale), wallStartMs_(WallMs()), steadyStartMs_(SteadyMs()) {}

uint64_t RealClock::NowMs() {
    if (scale_ == 1.0) return WallMs();
    return wallStartMs_ + static_cast<uint64_t>(static_cast<double>(SteadyMs() - steadyStartMs_) / scale_);
}

uint64_t RealClock::MonotonicMs() {
    return steadyStartMs_ + static_cast<uint64_t>(static_cast<double>(SteadyMs() - steadyStartMs_) / scale_);
}

// Microseconds of real time for ms of clock time.
uint64_t RealClock::Scaled(uint32_t ms) const {
    return static_cast<uint64_t>(static_cast<double>(ms) * scale_ * 1000);
}

uint32_t RealClock::RealTimeBound(uint32_t ms) {
    if (ms == kNoTimeLimit) return ms;
    const double stretched = static_cast<double>(ms) / scale_;
    return stretched >= static_cast<double>(kNoTimeLimit - 1) ? kNoTimeLimit - 1
                                                              : static_cast<uint32_t>(stretched);
}

void RealClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::microseconds(Scaled(ms))); }

void RealClock::Block(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) {
    if (timeoutMs == kNoTimeLimit) {
        wait.cv->wait(lock, [&] { return wait.woken; });
        return;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(Scaled(timeoutMs));
    while (!wait.woken) {
        if (wait.cv->wait_until(lock, until) == std::cv_status::timeout) {
            wait.expired = !wait.woken;
            return;
        }
    }
}

}  // namespace platform
