// Waitable timers on the platform clock: signalled when their due time comes, once or every period;
// waited for like any kernel object, and able to run a completion routine in an alertable wait of the
// thread that set them.
#pragma once

#include "platform/win_types.h"

// A signed 64-bit count that also reads as two 32-bit halves.
union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
};

// Called in an alertable wait of the setting thread; the two values are the halves of the time (100-ns
// units since 1601-01-01 UTC) at which the timer was signalled.
using PTIMERAPCROUTINE = void (*)(void* argument, DWORD timeLow, DWORD timeHigh);

// manualReset TRUE: the timer stays signalled until set again; FALSE: one wait takes the signal.
HANDLE CreateWaitableTimerA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, LPCSTR name);
// Starts the timer (not signalled until then). dueTime below 0: that many 100-ns units from now; 0 or
// above: a time of day in 100-ns units since 1601-01-01 UTC (one already past signals at once). periodMs
// above 0 signals again every period (a late waiter sees one signal, not the missed ones); below 0 is
// refused (ERROR_INVALID_PARAMETER). resume is not modelled.
BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG periodMs, PTIMERAPCROUTINE routine,
                      void* routineArgument, BOOL resume);
// Stops the timer without changing whether it is signalled.
BOOL CancelWaitableTimer(HANDLE timer);
