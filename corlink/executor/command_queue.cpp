#include "corlink/executor/command_queue.h"

#include <algorithm>

#include "corlink/foundation/log.h"
#include "platform/windows_api.h"

namespace {

// The queue's lock is held for a few instructions at a time, but by every session's thread: one that finds
// it taken looks again this often before it sleeps.
constexpr DWORD kLockSpins = 1000;

// The queue whose runner the calling thread is, while it runs its turn.
thread_local const CommandQueue* t_runnerOf = nullptr;

// Holds a critical section for a scope.
class Locked {
  public:
    explicit Locked(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~Locked() { LeaveCriticalSection(&section_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    CRITICAL_SECTION& section_;
};

}  // namespace

CommandQueue::CommandQueue(const SerialSection& section, int turnRuns)
    : section_(section), turnRuns_(std::clamp(turnRuns, 1, kMaxTurnRuns)) {
    InitializeCriticalSectionAndSpinCount(&lock_, kLockSpins);
}

CommandQueue::~CommandQueue() { DeleteCriticalSection(&lock_); }

void CommandQueue::Run(Rre* rre) {
    if (t_runnerOf == this) {  // the lock is this thread's already: queueing would wait for itself
        section_.run(rre);     // logged as the command that issued it
        return;
    }
    Entry own;
    own.rre = rre;
    own.threadId = GetCurrentThreadId();
    {
        Locked locked(lock_);
        own.turn = TakeTurnVariableLocked();
        // The entry leaves the queue (TakeNextLocked) before this returns.
        (tail_ != nullptr ? tail_->next : head_) = &own;
        tail_ = &own;
        ++waiting_;
        if (!running_) {
            running_ = true;
            own.runsQueue = true;
        }
        while (!own.done && !own.runsQueue) SleepConditionVariableCS(own.turn, &lock_, INFINITE);
        freeTurnVariables_.push_back(own.turn);
        if (own.done) return;
    }
    RunTurn(own);
}

int CommandQueue::Waiting() const {
    Locked locked(lock_);
    return waiting_;
}

// The runner's own command is the queue's first: the queue was empty, or it was handed on to it.
void CommandQueue::RunTurn(Entry& own) {
    // others' commands run in this turn, their threads woken once the lock is free
    Entry* finished = nullptr;
    if (!section_.enter()) {
        {
            Locked locked(lock_);
            TakeNextLocked(false);
        }
        section_.refuse(own.rre);
    } else {
        Entry* entry = nullptr;
        {
            Locked locked(lock_);
            entry = TakeNextLocked(false);
        }
        t_runnerOf = this;
        for (int runs = 1; entry != nullptr; ++runs) {
            {
                LogLinesOfThread asItsOwn(entry->threadId);
                section_.run(entry->rre);
            }
            if (entry != &own) {
                entry->next = finished;  // out of the queue: its link is free
                finished = entry;
            }
            Locked locked(lock_);
            entry = runs < turnRuns_ ? TakeNextLocked(true) : nullptr;
        }
        t_runnerOf = nullptr;
        section_.leave();
    }
    EndTurn(finished);
}

// Hands the queue to the next command's thread, or ends running it, and wakes the threads of the
// finished commands once the queue's lock is free. A thread may return as soon as it sees its command done
// and its entry go with it: what is woken is the entry's variable, noted while the lock was held.
void CommandQueue::EndTurn(Entry* finished) {
    // The next runner and the others' commands of a turn: at most turnRuns_ (kMaxTurnRuns) in all.
    CONDITION_VARIABLE* toWake[kMaxTurnRuns];
    size_t count = 0;
    {
        Locked locked(lock_);
        if (head_ != nullptr) {
            head_->runsQueue = true;
            toWake[count++] = head_->turn;
        } else {
            running_ = false;
        }
        for (; finished != nullptr; finished = finished->next) {
            finished->done = true;
            toWake[count++] = finished->turn;
        }
    }
    for (size_t i = 0; i < count; ++i) WakeConditionVariable(toWake[i]);
}

CONDITION_VARIABLE* CommandQueue::TakeTurnVariableLocked() {
    if (!freeTurnVariables_.empty()) {
        CONDITION_VARIABLE* variable = freeTurnVariables_.back();
        freeTurnVariables_.pop_back();
        return variable;
    }
    CONDITION_VARIABLE& added = turnVariables_.emplace_back();
    InitializeConditionVariable(&added);
    return &added;
}

// The queue's first entry, taken out of it; none when the queue is empty or, with onlyFromDatabase, when
// the first is a command that is not answered from the database.
CommandQueue::Entry* CommandQueue::TakeNextLocked(bool onlyFromDatabase) {
    Entry* entry = head_;
    if (entry == nullptr || (onlyFromDatabase && !section_.fromDatabase(entry->rre))) return nullptr;
    head_ = entry->next;
    if (head_ == nullptr) tail_ = nullptr;
    entry->next = nullptr;
    --waiting_;
    return entry;
}
