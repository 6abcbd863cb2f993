#include "corlink/commands/command_queue.h"

#include "corlink/service/log.h"
#include "platform/windows_api.h"

void CommandQueue::Run(Rre* rre) {
    Entry own;
    own.rre = rre;
    own.threadId = GetCurrentThreadId();
    {
        std::unique_lock<std::mutex> lock(platform::WaitLock());
        Append(own);
        if (!running_) {
            running_ = true;
            own.runsQueue = true;
        }
        while (!own.done && !own.runsQueue) platform::BlockOnClock(lock, own.wait, platform::kNoTimeLimit);
        if (own.done) return;
    }
    RunTurn(own);
}

// The runner's own command is the queue's first: the queue was empty, or it was handed on to it.
void CommandQueue::RunTurn(Entry& own) {
    Entry* finished[kRunsPerTurn];
    int finishedCount = 0;
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
        for (int runs = 1; entry != nullptr; ++runs) {
            {
                LogLinesOfThread asItsOwn(entry->threadId);
                section_.run(entry->rre);
            }
            if (entry != &own) finished[finishedCount++] = entry;
            std::lock_guard<std::mutex> lock(platform::WaitLock());
            const bool more = runs < kRunsPerTurn && std::chrono::steady_clock::now() - turnStart < kTurnTime;
            entry = more ? TakeNext() : nullptr;
        }
        section_.leave();
    }
    platform::DeferredWakes afterUnlock;
    std::lock_guard<std::mutex> lock(platform::WaitLock());
    if (head_ != nullptr) {
        HandOn();
    } else {
        running_ = false;
    }
    for (int i = 0; i < finishedCount; ++i) {
        finished[i]->done = true;
        platform::Wake(finished[i]->wait);
    }
}

// The entry lives on its thread's stack: it leaves the queue (TakeNext) before that thread's Run returns.
void CommandQueue::Append(Entry& entry) {
    (tail_ != nullptr ? tail_->next : head_) = &entry;
    tail_ = &entry;
}

CommandQueue::Entry* CommandQueue::TakeNext() {
    Entry* entry = head_;
    if (entry == nullptr) return nullptr;
    head_ = entry->next;
    if (head_ == nullptr) tail_ = nullptr;
    entry->next = nullptr;
    return entry;
}

void CommandQueue::HandOn() {
    head_->runsQueue = true;
    platform::Wake(head_->wait);
}
