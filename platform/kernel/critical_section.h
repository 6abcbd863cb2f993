// Critical sections: recursive locks private to a process, taken in the order threads came. A thread
// waiting for one counts as blocked for the virtual clock, like any wait of the platform.
#pragma once

#include "platform/win_types.h"

struct CRITICAL_SECTION {
    void* lock;  // the platform's lock object, made by InitializeCriticalSection
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
using PCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
// The same, for sections held only for moments, where sleeping and being woken cost more than the wait: a
// thread that finds the section held by another looks again up to spinCount times before it sleeps, and a
// released section goes to whichever thread takes it first (its oldest sleeper is woken to try), never
// reserved for a sleeper that has yet to wake.
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void EnterCriticalSection(LPCRITICAL_SECTION section);
// TRUE when the section was free or already the caller's (it is then held once more).
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
// Only the owner leaves; a leave by another thread changes nothing.
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
