#include "platform/time/clock_threads.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<int> g_takingPart{0};
std::atomic<int> g_blocked{0};

thread_local int t_takingPartDepth = 0;
thread_local bool t_countedBlocked = false;  // the thread is counted in g_blocked
thread_local int t_waitingForPeerDepth = 0;  // WaitingForPeer scopes: the thread counts as running

// Counts the calling thread as blocked when it takes part, is not counted yet and waits for no peer.
bool CountBlocked() {
    if (t_takingPartDepth == 0 || t_countedBlocked || t_waitingForPeerDepth > 0) return false;
    t_countedBlocked = true;
    g_blocked.fetch_add(1);
    return true;
}

void TellClockIdle() {
    if (!threads::ClockInstalled()) return;  // the real clock does not count threads
    std::unique_lock<std::mutex> lock(WaitLock());
    GetClock().ThreadIdle(lock);
}

}  // namespace

namespace threads {

int Running() {
    int running = g_takingPart.load() - g_blocked.load();
    return running > 0 ? running : 0;
}

bool BlockOn(Clock& clock, std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs) {
    const bool counted = CountBlocked();
    wait.countedBlocked = counted;
    wait.woken = false;
    wait.expired = false;
    if (wait.cv == nullptr) wait.cv = std::make_shared<std::condition_variable>();
    clock.Block(lock, wait, timeoutMs);
    Uncount(wait);
    if (counted) t_countedBlocked = false;
    return wait.woken;
}

void Uncount(ClockWait& wait) {
    if (!wait.countedBlocked) return;
    wait.countedBlocked = false;
    g_blocked.fetch_sub(1);
}

void ReservePlace() { g_takingPart.fetch_add(1); }

void ClaimPlace() {
    if (++t_takingPartDepth > 1) g_takingPart.fetch_sub(1);  // it took part already: one place is enough
}

void LeavePlace() {
    if (--t_takingPartDepth > 0) return;
    g_takingPart.fetch_sub(1);
    TellClockIdle();
}

void CancelPlace() {
    g_takingPart.fetch_sub(1);
    TellClockIdle();
}

}  // namespace threads

TakingPart::TakingPart() {
    threads::ReservePlace();
    threads::ClaimPlace();
}

TakingPart::~TakingPart() { threads::LeavePlace(); }

WaitingForPeer::WaitingForPeer() { ++t_waitingForPeerDepth; }

WaitingForPeer::~WaitingForPeer() { --t_waitingForPeerDepth; }

BlockedOutsideClock::BlockedOutsideClock() : counted_(CountBlocked()) {
    if (counted_) TellClockIdle();
}

BlockedOutsideClock::~BlockedOutsideClock() {
    if (!counted_) return;
    t_countedBlocked = false;
    g_blocked.fetch_sub(1);
}

}  // namespace platform
