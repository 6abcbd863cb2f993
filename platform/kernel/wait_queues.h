// The wait machinery behind the kernel objects (inside the platform only).
//
// One lock (the clock's wait lock) guards the state of every waitable object and every wait, so that a
// state change and the choice of whom it releases are one step, and a wait on several objects sees them
// all at one instant. Each object keeps its own queue of waits in arrival order; a change hands the object
// to the queued waits it satisfies, oldest first, and wakes only those threads (a set auto-reset event
// goes to one waiter, a released semaphore to as many as its count allows). A freed mutex is offered
// instead: its oldest waiter that can take it is woken and takes it if it is still free when it runs, and
// a running thread may take it first (kernel_objects.h bounds how often). Objects that signal by themselves
// at a time (timers) are checked again by their waiters then.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "platform/kernel/handles.h"
#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"
#include "platform/win_types.h"

namespace platform::dispatch {

struct WaitBlock;

class Waitable : public Object, public std::enable_shared_from_this<Waitable> {
  public:
    // The wait lock is held for all of these.
    // True when the thread with this token could take the object now.
    virtual bool Available(uint64_t token) = 0;
    // Takes the object (Available holds): WAIT_OBJECT_0, or WAIT_ABANDONED for a mutex whose owner ended.
    virtual DWORD Take(uint64_t token) = 0;
    // A mutex: ownership belongs to a thread and ends with it (OwnerEnded).
    virtual bool TracksOwner() const { return false; }
    virtual bool OwnedBy(uint64_t) const { return false; }
    virtual void OwnerEnded(uint64_t) {}
    // The clock's monotonic time at which the object signals by itself, or 0 for none.
    virtual uint64_t SignalsAt() { return 0; }
    // A completion routine due for the thread with this token (timers): stores it and returns true.
    virtual bool TakeCompletion(uint64_t, std::function<void()>*) { return false; }

    // Hands the object to the queued waits it now satisfies, oldest first, and wakes them.
    void Signal();
    // Wakes the oldest queued wait that could take the object now, unless it is awake already; the wait
    // keeps its place in the queue until it takes something.
    void Offer();
    // Wakes every queued wait to check the object again (its time to signal moved).
    void WakeWaitersToRecheck();

  protected:
    bool HasWaiters() const { return !queue_.empty(); }
    // The thread with this token waits in the object's queue.
    bool Queued(uint64_t token) const;

  private:
    friend class Waiter;
    std::list<WaitBlock*> queue_;
};

// A token for the calling thread that is never reused (thread ids are): it names a mutex's owner.
uint64_t CurrentThreadToken();
// The calling thread will receive completion routines from this object in its alertable waits.
void AddCompletionSource(const std::shared_ptr<Waitable>& source);
// The calling thread ends: the mutexes it owns become abandoned. Also done when its thread-local
// state goes away, for threads not started by the platform.
void EndCurrentThread();

// Waits until one (all false) or all (all true) of the objects can be taken by the calling thread, and
// takes it or them. Returns WAIT_OBJECT_0 + i, WAIT_ABANDONED + i, WAIT_TIMEOUT, or WAIT_IO_COMPLETION when
// alertable and completion routines of this thread ran.
DWORD WaitForObjects(const std::vector<std::shared_ptr<Waitable>>& objects, bool all, DWORD milliseconds,
                     bool alertable);

}  // namespace platform::dispatch
