#include "platform/kernel/wait_queues.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

namespace platform::dispatch {

struct WaitBlock {
    class Waiter* waiter;
    Waitable* object;
    DWORD index;
    std::list<WaitBlock*>::iterator position;
};

namespace {

constexpr DWORD kPending = 0xFFFFFFFE;
constexpr DWORD kIoCompletion = 0x000000C0;  // WAIT_IO_COMPLETION

std::atomic<uint64_t> g_nextToken{1};

// Set when the thread's state is torn down at its exit. The main thread's exit handlers can still wait
// after that (they run after its thread-local objects are destroyed); their waits record no ownership.
thread_local bool t_StateGone = false;

// What the platform keeps per thread: its token, the mutexes it took, the timers whose completion
// routines it receives. The vectors are guarded by the wait lock.
struct ThreadState {
    uint64_t token = g_nextToken.fetch_add(1);
    std::vector<std::weak_ptr<Waitable>> owned;
    std::vector<std::weak_ptr<Waitable>> completionSources;
    bool ended = false;

    ~ThreadState() {
        End();
        t_StateGone = true;
    }

    void End() {
        DeferredWakes afterUnlock(DeferredWakes::Then::GoOn);
        std::lock_guard<std::mutex> g(WaitLock());
        if (ended) return;
        ended = true;
        for (auto& weak : owned) {
            if (auto object = weak.lock()) object->OwnerEnded(token);
        }
        owned.clear();
        completionSources.clear();
    }

    void NoteOwned(const std::shared_ptr<Waitable>& object) {
        if (t_StateGone || ended) return;  // a wait from an exit handler after the thread's teardown
        for (auto& weak : owned) {
            if (weak.lock() == object) return;
        }
        // Drop the entries of mutexes this thread no longer owns before the list grows.
        if (owned.size() >= 16) {
            owned.erase(std::remove_if(owned.begin(), owned.end(),
                                       [&](const std::weak_ptr<Waitable>& w) {
                                           auto o = w.lock();
                                           return !o || !o->OwnedBy(token);
                                       }),
                        owned.end());
        }
        owned.push_back(object);
    }
};

ThreadState& Self() {
    thread_local ThreadState state;
    return state;
}

}  // namespace

class Waiter {
  public:
    Waiter(uint64_t token, bool all, const std::vector<std::shared_ptr<Waitable>>& objects)
        : token_(token), all_(all), blocks_(objects.size()) {
        for (size_t i = 0; i < objects.size(); ++i)
            blocks_[i] = WaitBlock{this, objects[i].get(), static_cast<DWORD>(i), {}};
    }
    ~Waiter() { Dequeue(); }

    uint64_t token() const { return token_; }
    bool all() const { return all_; }
    DWORD result = kPending;
    ClockWait clock;

    // Takes what the wait asks for if it can be taken now; kPending otherwise.
    DWORD TryNow() {
        if (all_) return AllAvailable() ? TakeAll() : kPending;
        for (WaitBlock& b : blocks_) {
            if (b.object->Available(token_)) return b.object->Take(token_) + b.index;
        }
        return kPending;
    }

    bool AllAvailable() {
        return std::all_of(blocks_.begin(), blocks_.end(),
                           [&](WaitBlock& b) { return b.object->Available(token_); });
    }

    // All objects taken: WAIT_OBJECT_0, or WAIT_ABANDONED + the index of the first abandoned mutex.
    DWORD TakeAll() {
        DWORD outcome = WAIT_OBJECT_0;
        for (WaitBlock& b : blocks_) {
            if (b.object->Take(token_) == WAIT_ABANDONED && outcome == WAIT_OBJECT_0)
                outcome = WAIT_ABANDONED + b.index;
        }
        return outcome;
    }

    void Enqueue() {
        for (WaitBlock& b : blocks_) {
            b.object->queue_.push_back(&b);
            b.position = std::prev(b.object->queue_.end());
        }
        queued_ = true;
    }

    void Dequeue() {
        if (!queued_) return;
        for (WaitBlock& b : blocks_) b.object->queue_.erase(b.position);
        queued_ = false;
    }

    // Leaves every queue with this outcome. It may have been woken for an object it did not take (an offered
    // mutex): those are offered to the waits behind it, so that none sleeps while it could take one.
    void Leave(DWORD outcome) {
        if (!queued_) return;
        Dequeue();
        OfferAllBut(outcome);
    }

    // Woken and still unable to take what it waits for: it goes back to sleep in its place, and what it was
    // offered goes to the waits behind it that can take it. When that woke one, the wake-up is sent with the
    // wait lock released for the moment, and true returned.
    bool PassOn(std::unique_lock<std::mutex>& lock, DeferredWakes& wakes) {
        OfferAllBut(kPending);
        if (!wakes.Pending()) return false;
        lock.unlock();
        wakes.Send();
        lock.lock();
        return true;
    }

    // Handed what it waited for: leaves every queue and wakes.
    void Complete(DWORD outcome) {
        result = outcome;
        Leave(outcome);
        Wake(clock);
    }

    // The soonest time, on the clock's monotonic time, at which one of the objects signals by itself.
    uint64_t SoonestSignal() {
        uint64_t soonest = 0;
        for (WaitBlock& b : blocks_) {
            uint64_t at = b.object->SignalsAt();
            if (at != 0 && (soonest == 0 || at < soonest)) soonest = at;
        }
        return soonest;
    }

  private:
    // Offers each object the outcome did not take.
    void OfferAllBut(DWORD outcome) {
        const bool tookSome = outcome != kPending && outcome != WAIT_TIMEOUT && outcome != kIoCompletion;
        if (tookSome && all_) return;
        const DWORD taken = outcome >= WAIT_ABANDONED ? outcome - WAIT_ABANDONED : outcome - WAIT_OBJECT_0;
        for (WaitBlock& b : blocks_) {
            if (!tookSome || b.index != taken) b.object->Offer();
        }
    }

    uint64_t token_;
    bool all_;
    bool queued_ = false;
    std::vector<WaitBlock> blocks_;
};

void Waitable::Signal() {
    for (bool handed = true; handed;) {
        handed = false;
        for (WaitBlock* b : queue_) {
            Waiter& w = *b->waiter;
            if (!Available(w.token())) continue;
            if (w.all()) {
                if (!w.AllAvailable()) continue;
                w.Complete(w.TakeAll());
            } else {
                w.Complete(Take(w.token()) + b->index);
            }
            handed = true;  // the queue changed: look again from its head
            break;
        }
    }
}

void Waitable::Offer() {
    for (WaitBlock* b : queue_) {
        Waiter& w = *b->waiter;
        if (!Available(w.token()) || (w.all() && !w.AllAvailable())) continue;
        if (!w.clock.woken) Wake(w.clock);
        return;
    }
}

bool Waitable::Queued(uint64_t token) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [&](WaitBlock* b) { return b->waiter->token() == token; });
}

void Waitable::WakeWaitersToRecheck() {
    for (WaitBlock* b : queue_) {
        if (!b->waiter->clock.woken) Wake(b->waiter->clock);
    }
}

uint64_t CurrentThreadToken() { return Self().token; }

void AddCompletionSource(const std::shared_ptr<Waitable>& source) {
    ThreadState& self = Self();
    std::lock_guard<std::mutex> g(WaitLock());
    auto& sources = self.completionSources;
    sources.erase(std::remove_if(sources.begin(), sources.end(), [](auto& w) { return w.expired(); }),
                  sources.end());
    for (auto& weak : sources) {
        if (weak.lock() == source) return;
    }
    sources.push_back(source);
}

void EndCurrentThread() { Self().End(); }

namespace {

// Wait lock held. The completion routines due for this thread, in the order of their sources.
std::vector<std::function<void()>> DueCompletions(ThreadState& self) {
    std::vector<std::function<void()>> due;
    for (auto& weak : self.completionSources) {
        auto source = weak.lock();
        std::function<void()> routine;
        while (source && source->TakeCompletion(self.token, &routine)) due.push_back(std::move(routine));
    }
    return due;
}

uint64_t SoonestCompletion(ThreadState& self) {
    uint64_t soonest = 0;
    for (auto& weak : self.completionSources) {
        auto source = weak.lock();
        uint64_t at = source ? source->SignalsAt() : 0;
        if (at != 0 && (soonest == 0 || at < soonest)) soonest = at;
    }
    return soonest;
}

// Runs the due completion routines without the wait lock; true when any ran.
bool RunCompletions(std::unique_lock<std::mutex>& lock, ThreadState& self) {
    std::vector<std::function<void()>> due = DueCompletions(self);
    if (due.empty()) return false;
    lock.unlock();
    for (auto& routine : due) routine();
    lock.lock();
    return true;
}

// Clock milliseconds from now until `at` (0 when it has passed); kNoTimeLimit when at is 0.
uint32_t MillisecondsUntil(uint64_t at, uint64_t now) {
    if (at == 0) return kNoTimeLimit;
    if (at <= now) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(at - now, kNoTimeLimit - 1));
}

}  // namespace

DWORD WaitForObjects(const std::vector<std::shared_ptr<Waitable>>& objects, bool all, DWORD milliseconds,
                     bool alertable) {
    ThreadState& self = Self();
    // What leaving the queues offers to other waits is sent without the wait lock: once it is released on
    // return, or before this thread sleeps again. Completion routines run outside it (they may set objects).
    std::optional<DeferredWakes> offers;
    std::unique_lock<std::mutex> lock(WaitLock());
    if (alertable && RunCompletions(lock, self)) return kIoCompletion;
    offers.emplace(DeferredWakes::Then::GoOn);
    Waiter waiter(self.token, all, objects);
    DWORD outcome = waiter.TryNow();
    if (outcome == kPending && milliseconds != 0) {
        const uint64_t start = GetClock().MonotonicMs();
        const uint64_t deadline = milliseconds == INFINITE ? 0 : start + milliseconds;
        waiter.Enqueue();
        bool sleep = true;
        for (;;) {
            if (sleep) {
                const uint64_t now = GetClock().MonotonicMs();
                uint64_t wake = deadline;
                for (uint64_t at : {waiter.SoonestSignal(), alertable ? SoonestCompletion(self) : 0}) {
                    if (at != 0 && (wake == 0 || at < wake)) wake = at;
                }
                BlockOnClock(lock, waiter.clock, MillisecondsUntil(wake, now));
            }
            sleep = true;
            if (waiter.result != kPending) break;
            // Woken to look again, or a time passed: a timer may signal, a routine may be due.
            if (alertable) {
                std::vector<std::function<void()>> due = DueCompletions(self);
                if (!due.empty()) {
                    waiter.Leave(kIoCompletion);
                    lock.unlock();
                    offers.reset();
                    for (auto& routine : due) routine();
                    return kIoCompletion;
                }
            }
            waiter.result = waiter.TryNow();
            if (waiter.result != kPending) break;
            if (deadline != 0 && GetClock().MonotonicMs() >= deadline) break;
            if (!waiter.clock.woken) continue;
            // What it passes on is sent before it sleeps again. Still awake, it is not woken meanwhile
            // (an offer skips it): it looks at the objects again before it sleeps.
            sleep = !waiter.PassOn(lock, *offers);
        }
        waiter.Leave(waiter.result);
        outcome = waiter.result;
    }
    if (outcome == kPending) return WAIT_TIMEOUT;
    const bool tookAll = all;
    for (size_t i = 0; i < objects.size(); ++i) {
        const DWORD index = outcome >= WAIT_ABANDONED ? outcome - WAIT_ABANDONED : outcome - WAIT_OBJECT_0;
        if ((tookAll || i == index) && objects[i]->TracksOwner()) self.NoteOwned(objects[i]);
    }
    return outcome;
}

}  // namespace platform::dispatch
