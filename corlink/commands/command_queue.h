// Runs the commands of every session one at a time, in the order they came.
//
// The thread whose command finds no other running becomes the runner: it takes the lock that commands run
// under, runs its own command and then those that queued behind it meanwhile, within a bounded turn; it
// then releases the lock, hands the queue to the thread of the next command, if any, and wakes the threads
// whose commands it ran. A lock handed from thread to thread stands unused until the thread it goes to has
// woken, which takes several times as long as a short command; a runner goes straight on to the next
// command, and the wake-ups are sent once the lock is free. A runner takes only commands known to be short
// (their code's last run was), so that its own session's reply does not wait for another session's long
// commands; a long one (or one whose code has not run yet) ends the turn and runs on its own thread. A
// thread queued close behind the runner watches for its turn briefly before it sleeps (TurnLimits). Every command still runs alone and in
// arrival order, and every waiting thread blocks on the platform's clock.
#pragma once

#include <array>
#include <atomic>
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

// How much of other sessions' work a runner takes on.
struct TurnLimits {
    int runs = 16;                                      // commands a turn, its own included
    std::chrono::microseconds time{1000};               // a turn takes no command once it has lasted this
    std::chrono::microseconds shortCommand{200};        // a code whose last run took longer is long
    // A thread that queues behind at most spinAhead commands first watches for its turn this long before
    // it sleeps: its command is often run by then, and waking a sleeping thread costs more.
    int spinAhead = 2;
    std::chrono::microseconds spin{50};
};

class CommandQueue {
  public:
    explicit CommandQueue(const SerialSection& section, const TurnLimits& limits = {});
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Returns once the command has run (or was refused). A command issued by a command that is running
    // (the lock already held by this thread) runs at once.
    void Run(Rre* rre);

    // Commands queued and not yet taken by a runner.
    int Waiting() const;

  private:
    struct Entry {
        Rre* rre = nullptr;
        uint32_t threadId = 0;   // the debug log names the command's own thread
        // Set under the wait lock; read without it while the thread watches before it sleeps.
        std::atomic<bool> done{false};       // run or refused
        std::atomic<bool> runsQueue{false};  // its thread is the runner now
        bool sleeping = false;               // blocked on the clock: needs a wake-up; guarded by the wait lock
        Entry* next = nullptr;
        platform::ClockWait wait;
    };

    void WaitForTurn(Entry& own, std::unique_lock<std::mutex>& lock, int ahead);
    void RunTurn(Entry& own);
    // Runs it, noting how long its code took; returns when it ended.
    std::chrono::steady_clock::time_point RunTimed(Rre& rre);
    static size_t SlotOf(const Rre& rre);  // its code's place in lastRunMicros_
    bool KnownShort(const Rre& rre) const;
    void Append(Entry& entry);  // wait lock held
    Entry* TakeNext();          // wait lock held
    void HandOn();              // wait lock held: the next command's thread runs the queue

    static constexpr size_t kCodeSlots = 128;  // command codes 0-126; unknown codes share the last slot
    static constexpr uint32_t kNeverRun = UINT32_MAX;

    SerialSection section_;
    TurnLimits limits_;
    // Microseconds of each code's last run; written and read by the runner of the time.
    std::array<std::atomic<uint32_t>, kCodeSlots> lastRunMicros_;
    // Guarded by the wait lock:
    Entry* head_ = nullptr;
    Entry* tail_ = nullptr;
    int waiting_ = 0;
    bool running_ = false;  // a thread is the runner
};
