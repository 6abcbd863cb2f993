#include "platform/time/mm_timer.h"

#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"
#include "platform/time/clock_threads.h"

namespace {

struct Timer {
    UINT id;
    UINT delay;
    bool periodic;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    // Guarded by the wait lock:
    bool stop = false;
    platform::ClockWait* waiting = nullptr;  // the timer thread's wait for the next firing
    std::thread thread;
};

struct TimerTable {
    std::mutex m;
    std::map<UINT, std::shared_ptr<Timer>> timers;
    UINT nextId = 1;
};

TimerTable& Timers() {
    static auto* table = new TimerTable;  // outlives the static objects that kill their timers at exit
    return *table;
}

// False once the timer was stopped; otherwise after the delay.
bool WaitForNextFiring(Timer& timer) {
    std::unique_lock<std::mutex> lock(platform::WaitLock());
    if (timer.stop) return false;
    platform::ClockWait wait;
    timer.waiting = &wait;
    platform::BlockOnClock(lock, wait, timer.delay);
    timer.waiting = nullptr;
    return !timer.stop;
}

// The timer thread takes part in virtual time: time waits while its callback runs.
void RunTimer(const std::shared_ptr<Timer>& timer) {
    platform::threads::ClaimPlace();
    while (WaitForNextFiring(*timer)) {
        timer->callback(timer->id, 0, timer->user, 0, 0);
        if (!timer->periodic) break;
    }
    platform::threads::LeavePlace();
}

}  // namespace

MMRESULT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT event) {
    if (callback == nullptr || delay == 0) return 0;
    auto timer = std::make_shared<Timer>();
    timer->delay = delay;
    timer->periodic = (event & TIME_PERIODIC) != 0;
    timer->callback = callback;
    timer->user = user;
    TimerTable& table = Timers();
    std::lock_guard<std::mutex> g(table.m);
    timer->id = table.nextId++;
    platform::threads::ReservePlace();
    try {
        timer->thread = std::thread(RunTimer, timer);
    } catch (const std::system_error&) {
        platform::threads::CancelPlace();
        return 0;
    }
    table.timers.emplace(timer->id, timer);
    return timer->id;
}

MMRESULT timeKillEvent(UINT timerId) {
    std::shared_ptr<Timer> timer;
    {
        TimerTable& table = Timers();
        std::lock_guard<std::mutex> g(table.m);
        auto it = table.timers.find(timerId);
        if (it == table.timers.end()) return MMSYSERR_INVALPARAM;
        timer = std::move(it->second);
        table.timers.erase(it);
    }
    {
        platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
        std::lock_guard<std::mutex> g(platform::WaitLock());
        timer->stop = true;
        if (timer->waiting != nullptr) platform::Wake(*timer->waiting);
    }
    if (timer->thread.get_id() == std::this_thread::get_id()) {
        timer->thread.detach();  // stopped from its own callback: the thread ends after it
    } else {
        platform::BlockedOutsideClock joining;  // time may pass while its last callback waits
        timer->thread.join();
    }
    return TIMERR_NOERROR;
}
