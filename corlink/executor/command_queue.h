// Runs the commands of every session one at a time, in the order they came.
//
// The thread whose command finds no other running becomes the runner: it takes the lock that commands run
// under, runs its own command and then those that queued behind it meanwhile, up to a turn's count; it then
// releases the lock, hands the queue to the thread of the next command, if any, and wakes the threads whose
// commands it ran. A lock handed from thread to thread stands unused until the thread it goes to has woken,
// which takes several times as long as a short command; a runner goes straight on to the next command, and
// the wake-ups are sent once the lock and the queue's own lock are free. A runner takes on only commands
// answered from the database (the command table says which), so that its own session's reply never waits for
// another session's exchange with a controller; any other command ends the turn and runs on its own thread.
// Every command still runs alone and in arrival order; a waiting thread sleeps on a condition variable.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/kernel/condition_variable.h"
#include "platform/kernel/critical_section.h"

struct Rre;

// What the queue needs of the executor.
struct SerialSection {
    bool (*enter)();                   // takes the lock commands run under; false when it could not be taken
    void (*leave)();                   // releases it
    void (*run)(Rre*);                 // runs one command, the lock held
    void (*refuse)(Rre*);              // answers a command whose runner could not take the lock
    bool (*fromDatabase)(const Rre*);  // the command is answered at once: a runner may take it on
};

class CommandQueue {
  public:
    static constexpr int kMaxTurnRuns = 64;
    // A runner runs at most turnRuns commands a turn (1 to kMaxTurnRuns), its own included.
    explicit CommandQueue(const SerialSection& section, int turnRuns = 16);
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Returns once the command has run (or was refused). A command issued by a command that is running
    // (the lock already held by this thread) runs at once.
    void Run(Rre* rre);

    // Commands queued and not yet taken by a runner.
    int Waiting() const;

  private:
    // A queued command, on its thread's stack; guarded by lock_.
    struct Entry {
        Rre* rre = nullptr;
        uint32_t threadId = 0;   // the debug log names the command's own thread
        bool done = false;       // run or refused
        bool runsQueue = false;  // its thread is the runner now
        Entry* next = nullptr;
        CONDITION_VARIABLE* turn = nullptr;  // its thread sleeps on it until done or runsQueue
    };

    CONDITION_VARIABLE* TakeTurnVariableLocked();
    void RunTurn(Entry& own);
    Entry* TakeNextLocked(bool onlyFromDatabase);
    void EndTurn(Entry* finished);

    SerialSection section_;
    int turnRuns_;
    mutable CRITICAL_SECTION lock_;  // held for moments: to queue, take or finish an entry
    // Guarded by lock_:
    Entry* head_ = nullptr;
    Entry* tail_ = nullptr;
    int waiting_ = 0;
    bool running_ = false;  // a thread is the runner
    // The condition variables the queued threads sleep on, reused and kept while the queue lives: a
    // runner wakes a thread after releasing lock_, when the thread may have gone and its variable serve
    // another, whose wait then looks at its own entry again and sleeps on.
    std::deque<CONDITION_VARIABLE> turnVariables_;
    std::vector<CONDITION_VARIABLE*> freeTurnVariables_;
};
