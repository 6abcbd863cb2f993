#include <algorithm>
#include <limits>
#include <thread>

#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"
#include "platform/time/clock_threads.h"

namespace platform {
namespace {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

}  // namespace

VirtualClock::VirtualClock(uint64_t startMs) : now_(startMs), mono_(0) {}

VirtualClock::~VirtualClock() {
    std::unique_lock<std::mutex> lock(WaitLock());
    actionDone_.wait(lock, [&] { return !actionRunning_; });
    while (!waits_.empty()) Expire(*waits_.front());
    actions_.clear();
}

void VirtualClock::Sleep(uint32_t ms) {
    std::unique_lock<std::mutex> lock(WaitLock());
    sleeps_.push_back(ms);
    if (ms == 0) {
        lock.unlock();
        std::this_thread::yield();
        return;
    }
    ClockWait wait;
    threads::BlockOn(*this, lock, wait, ms);
}

void VirtualClock::NoteSleep(uint32_t ms) {
    std::lock_guard<std::mutex> g(WaitLock());
    sleeps_.push_back(ms);
}

void VirtualClock::Block(std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) {
    if (timeoutMs != kNoTimeLimit) {
        wait.deadline = mono_.load() + timeoutMs;
        wait.registeredWith = this;
        waits_.push_back(&wait);
    }
    RunDue(lock, kNever, true);
    wait.cv->wait(lock, [&] { return wait.woken || wait.expired; });
}

void VirtualClock::ThreadIdle(std::unique_lock<std::mutex>& lock) { RunDue(lock, kNever, true); }

void VirtualClock::Forget(ClockWait& wait) {
    waits_.erase(std::remove(waits_.begin(), waits_.end(), &wait), waits_.end());
    wait.registeredWith = nullptr;
}

void VirtualClock::Expire(ClockWait& wait) {
    Forget(wait);
    wait.expired = true;
    threads::Uncount(wait);
    if (wait.cv != nullptr) wait.cv->notify_one();
}

void VirtualClock::MoveTo(uint64_t mono) {
    const uint64_t current = mono_.load();
    if (mono <= current) return;
    now_.fetch_add(mono - current);
    mono_.store(mono);
}

// Runs the next action due by untilMs, before any wait due at the same time; false when none is.
bool VirtualClock::RunNextAction(std::unique_lock<std::mutex>& lock, uint64_t untilMs) {
    if (actions_.empty()) return false;
    auto first = actions_.begin();
    uint64_t nextWait = kNever;
    for (ClockWait* w : waits_) nextWait = std::min(nextWait, w->deadline);
    // Time reaches an action only when a wait or an explicit advance takes it there.
    if (first->first > untilMs || first->first > nextWait || (nextWait == kNever && untilMs == kNever))
        return false;
    MoveTo(first->first);
    std::function<void()> action = std::move(first->second);
    actions_.erase(first);
    actionRunning_ = true;
    lock.unlock();
    action();
    lock.lock();
    actionRunning_ = false;
    actionDone_.notify_all();
    return true;
}

// Moves time from deadline to deadline up to untilMs, ending the waits and running the actions due on the
// way; with onlyWhenIdle, only while no taking-part thread runs (each wait it ends makes its thread run).
void VirtualClock::RunDue(std::unique_lock<std::mutex>& lock, uint64_t untilMs, bool onlyWhenIdle) {
    for (;;) {
        if (actionRunning_) return;  // the thread running it moves time on afterwards
        if (RunNextAction(lock, std::min(untilMs, mono_.load()))) continue;
        // Waits already due end whoever runs.
        for (size_t i = 0; i < waits_.size();) {
            if (waits_[i]->deadline <= mono_.load()) {
                Expire(*waits_[i]);
            } else {
                ++i;
            }
        }
        if (onlyWhenIdle && threads::Running() > 0) return;
        if (RunNextAction(lock, untilMs)) continue;
        uint64_t next = kNever;
        for (ClockWait* w : waits_) next = std::min(next, w->deadline);
        if (next == kNever || next > untilMs) return;
        MoveTo(next);
    }
}

void VirtualClock::Advance(uint64_t ms) {
    std::unique_lock<std::mutex> lock(WaitLock());
    actionDone_.wait(lock, [&] { return !actionRunning_; });
    const uint64_t until = mono_.load() + ms;
    RunDue(lock, until, false);
    MoveTo(until);
    RunDue(lock, until, false);
}

void VirtualClock::At(uint64_t atMs, std::function<void()> action) {
    std::unique_lock<std::mutex> lock(WaitLock());
    actions_.emplace(atMs, std::move(action));
    RunDue(lock, kNever, true);
}

std::vector<uint32_t> VirtualClock::Sleeps() {
    std::lock_guard<std::mutex> g(WaitLock());
    return sleeps_;
}

uint64_t VirtualClock::TotalSlept() {
    std::lock_guard<std::mutex> g(WaitLock());
    uint64_t total = 0;
    for (uint32_t s : sleeps_) total += s;
    return total;
}

void VirtualClock::ClearSleeps() {
    std::lock_guard<std::mutex> g(WaitLock());
    sleeps_.clear();
}

}  // namespace platform
