// Runs the commands of every session one at a time, in the order they came.
//
// The thread whose command finds no other running becomes the runner: it takes the lock that commands run
// under, runs its own command and then those that queued behind it meanwhile, up to a bound; it then
// releases the lock, hands the queue to the thread of the next command, if any, and wakes the threads whose
// commands it ran. A lock handed from thread to thread stands unused until the thread it goes to has woken,
// which takes several times as long as a short command; a runner goes straight on to the next command, and
// the wake-ups are sent once the lock is free. The bounds keep the runner's own session from being held by
// the others' load. Every command still runs alone and in arrival order, and every waiting thread blocks on
// the platform's clock.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/clock.h"

struct Rre;

// What the queue needs of the executor.
struct SerialSection {
    bool (*enter)();       // takes the lock commands run under; false when it could not be taken
    void (*leave)();       // releases it
    void (*run)(Rre*);     // runs one command, the lock held
    void (*refuse)(Rre*);  // answers a command whose runner could not take the lock
};

class CommandQueue {
  public:
    // A runner takes another command only while it has run fewer than kRunsPerTurn and its turn has lasted
    // less than kTurnTime: its own session then waits at most that long plus one command for its reply.
    static constexpr int kRunsPerTurn = 16;
    static constexpr std::chrono::microseconds kTurnTime{1000};

    explicit CommandQueue(const SerialSection& section) : section_(section) {}
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Returns once the command has run (or was refused).
    void Run(Rre* rre);

  private:
    struct Entry {
        Rre* rre = nullptr;
        uint32_t threadId = 0;   // the debug log names the command's own thread
        bool done = false;       // run or refused
        bool runsQueue = false;  // its thread is the runner now
        Entry* next = nullptr;
        platform::ClockWait wait;
    };

    void RunTurn(Entry& own);
    void Append(Entry& entry);  // wait lock held
    Entry* TakeNext();          // wait lock held
    void HandOn();              // wait lock held: the next command's thread runs the queue

    SerialSection section_;
    // Guarded by the wait lock:
    Entry* head_ = nullptr;
    Entry* tail_ = nullptr;
    bool running_ = false;  // a thread is the runner
};
