// Which threads take part in virtual time and how many of them are blocked (inside the platform only;
// see clock.h for the rules).
#pragma once

#include <mutex>

#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"

namespace platform::threads {

// True while a clock other than the real one is installed.
bool ClockInstalled();

// Taking-part threads that are neither waiting on the clock nor blocked outside it.
int Running();

// A thread the platform starts takes part from before it starts: the starter reserves its place (the new
// thread then holds time as running), the new thread claims it first thing and leaves it last thing;
// CancelPlace gives back a place whose thread could not start.
void ReservePlace();
void ClaimPlace();
void LeavePlace();
void CancelPlace();

// Blocks on the given clock (wait lock held), counting the calling thread as blocked while it takes part.
bool BlockOn(Clock& clock, std::unique_lock<std::mutex>& lock, ClockWait& wait, uint32_t timeoutMs);
// Wait lock held: the wait's thread counts as running again.
void Uncount(ClockWait& wait);

}  // namespace platform::threads
