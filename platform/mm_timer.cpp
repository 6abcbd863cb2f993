#include "platform/mm_timer.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace {

struct Timer {
    UINT id;
    UINT delay;
    bool periodic;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    std::mutex m;
    std::condition_variable stopped;
    bool stop = false;
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

void RunTimer(const std::shared_ptr<Timer>& timer) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(timer->m);
            if (platform::GetClock().WaitFor(timer->stopped, lock, timer->delay,
                                             [&] { return timer->stop; })) {
                return;
            }
        }
        timer->callback(timer->id, 0, timer->user, 0, 0);
        if (!timer->periodic) return;
    }
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
    try {
        timer->thread = std::thread(RunTimer, timer);
    } catch (const std::system_error&) {
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
        std::lock_guard<std::mutex> g(timer->m);
        timer->stop = true;
    }
    timer->stopped.notify_all();
    if (timer->thread.get_id() == std::this_thread::get_id()) {
        timer->thread.detach();  // stopped from its own callback: the thread ends after it
    } else {
        timer->thread.join();
    }
    return TIMERR_NOERROR;
}
