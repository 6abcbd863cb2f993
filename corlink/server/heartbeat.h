// The heart beat: every listener is sent one heart-beat message through the named pipe it serves,
// "\\.\pipe\DODO_Rivoz_<number>", and must answer with 36 bytes. A listener whose pipe fails is removed,
// which also ends its registering session.
#pragma once

#include "corlink/server/client.h"
#include "platform/time/mm_timer.h"

// How long one pipe step (the write, the read) may take before it counts as a failure: real time, also when
// the clock is scaled, since the listener is another process.
constexpr DWORD HEARTBEAT_PIPE_STEP_MS = 5000;

// One heart-beat pass over the listener list given as user value (a ListenerList pointer); the timer
// callback of CAsyncEvent. Does nothing in "ips" runs.
void Sendheartbeat(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);
