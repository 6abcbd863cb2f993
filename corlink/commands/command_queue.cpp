#include "corlink/commands/command_queue.h"

#include <algorithm>
#include <mutex>

#include "corlink/commands/rre.h"
#include "corlink/foundation/log.h"
#include "platform/windows_api.h"

namespace {

// A hint to the processor that this thread waits in a loop.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The queue whose runner the calling thread is, while it runs its turn.
thread_local const CommandQueue* t_runnerOf = nullptr;

}  // namespace

CommandQueue::CommandQueue(const SerialSection& section, const TurnLimits& limits)
    : section_(section), limits_(limits) {
    for (auto& micros : lastRunMicros_) micros.store(kNeverRun, std::memory_order_relaxed);
}

void CommandQueue::Run(Rre* rre) {
    if (t_runnerOf == this) {  // the lock is this thread's already: queueing would wait for itself
        RunTimed(*rre);           // logged as the command that issued it
        return;
    }
    Entry own;
    own.rre = rre;
    own.threadId = GetCurrentThreadId();
    {
        std::unique_lock<std::mutex> lock(platform::WaitLock());
        const int ahead = waiting_;
        Append(own);
        if (!running_) {
            running_ = true;
            own.runsQueue = true;
        }
        WaitForTurn(own, lock, ahead);
        if (own.done) return;
    }
    RunTurn(own);
}

// Wait lock held: returns once the command has run or this thread is to run the queue.
void CommandQueue::WaitForTurn(Entry& own, std::unique_lock<std::mutex>& lock, int ahead) {
    if (!own.runsQueue && ahead <= limits_.spinAhead && limits_.spin.count() > 0) {
        lock.unlock();
        const auto until = std::chrono::steady_clock::now() + limits_.spin;
        while (!own.done.load(std::memory_order_acquire) && !own.runsQueue.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < until) {
            CpuRelax();
        }
        lock.lock();  // the runner may still hold the entry: it sets the flags under the lock
    }
    while (!own.done && !own.runsQueue) {
        own.sleeping = true;
        platform::BlockOnClock(lock, own.wait, platform::kNoTimeLimit);
        own.sleeping = false;
    }
}

int CommandQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(platform::WaitLock());
    return waiting_;
}

// The runner's own command is the queue's first: the queue was empty, or it was handed on to it.
void CommandQueue::RunTurn(Entry& own) {
    Entry* finished = nullptr;  // others' run commands whose threads sleep, woken once the lock is released
    if (!section_.enter()) {
        {
            std::lock_guard<std::mutex> lock(platform::WaitLock());
            TakeNext();
        }
        section_.refuse(own.rre);
    } else {
        Entry* entry = nullptr;
        {
            std::lock_guard<std::mutex> lock(platform::WaitLock());
            entry = TakeNext();
        }
        const auto turnStart = std::chrono::steady_clock::now();
        t_runnerOf = this;
        for (int runs = 1; entry != nullptr; ++runs) {
            std::chrono::steady_clock::time_point ended;
            {
                LogLinesOfThread asItsOwn(entry->threadId);
                ended = RunTimed(*entry->rre);
            }
            const bool more = runs < limits_.runs && ended - turnStart < limits_.time;
            std::lock_guard<std::mutex> lock(platform::WaitLock());
            if (entry != &own) {
                if (entry->sleeping) {
                    entry->next = finished;  // out of the queue: its link is free
                    finished = entry;
                } else {
                    entry->done = true;  // it is watching: it returns once this lock is released
                }
            }
            entry = more && head_ != nullptr && KnownShort(*head_->rre) ? TakeNext() : nullptr;
        }
        t_runnerOf = nullptr;
        section_.leave();
    }
    // The threads woken here take no lock of this one's, and its own reply is next: it keeps its processor.
    platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
    std::lock_guard<std::mutex> lock(platform::WaitLock());
    if (head_ != nullptr) {
        HandOn();
    } else {
        running_ = false;
    }
    while (finished != nullptr) {
        Entry* entry = finished;
        finished = entry->next;
        entry->done = true;
        platform::Wake(entry->wait);
    }
}

std::chrono::steady_clock::time_point CommandQueue::RunTimed(Rre& rre) {
    std::atomic<uint32_t>& lastRun = lastRunMicros_[SlotOf(rre)];
    const auto start = std::chrono::steady_clock::now();
    section_.run(&rre);
    const auto ended = std::chrono::steady_clock::now();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(ended - start).count();
    lastRun.store(static_cast<uint32_t>(std::min<decltype(micros)>(micros, kNeverRun - 1)), std::memory_order_relaxed);
    return ended;
}

bool CommandQueue::KnownShort(const Rre& rre) const {
    const uint32_t micros = lastRunMicros_[SlotOf(rre)].load(std::memory_order_relaxed);
    return micros != kNeverRun && micros <= static_cast<uint64_t>(limits_.shortCommand.count());
}

size_t CommandQueue::SlotOf(const Rre& rre) {
    return std::min<size_t>(rre.Command, kCodeSlots - 1);
}

// The entry lives on its thread's stack: it leaves the queue (TakeNext) before that thread's Run returns.
void CommandQueue::Append(Entry& entry) {
    (tail_ != nullptr ? tail_->next : head_) = &entry;
    tail_ = &entry;
    ++waiting_;
}

CommandQueue::Entry* CommandQueue::TakeNext() {
    Entry* entry = head_;
    if (entry == nullptr) return nullptr;
    head_ = entry->next;
    if (head_ == nullptr) tail_ = nullptr;
    entry->next = nullptr;
    --waiting_;
    return entry;
}

void CommandQueue::HandOn() {
    head_->runsQueue = true;
    platform::Wake(head_->wait);
}
