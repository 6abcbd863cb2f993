// Kernel synchronisation objects, waits and threads. Named objects are private to this process (one
// name table per process): the objects of this system that carry names are only used inside one
// process. Every wait and sleep goes through the platform clock (time/clock.h).
#pragma once

#include <cstdint>

#include "platform/kernel/handles.h"
#include "platform/win_types.h"

// The most objects one multiple-object wait takes.
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD WAIT_ABANDONED_0 = WAIT_ABANDONED;
// An alertable wait or sleep ended because completion routines of the thread ran.
constexpr DWORD WAIT_IO_COMPLETION = 0x000000C0;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
HANDLE OpenEventA(DWORD access, BOOL inherit, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes are recursive for their owner thread. When the owner ends holding one, the next thread to take
// it owns it and is told so with WAIT_ABANDONED (WAIT_ABANDONED_0 + i in a multiple-object wait).
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCSTR name);
HANDLE OpenSemaphoreA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_ABANDONED (a mutex whose owner thread ended holding it) or WAIT_FAILED
// (ERROR_INVALID_HANDLE). Waiters are served in the order they came.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Waits for one (waitAll FALSE: WAIT_OBJECT_0 + the lowest index that can be taken) or all of 1 to
// MAXIMUM_WAIT_OBJECTS objects; WAIT_ABANDONED_0 + i names an abandoned mutex. WAIT_FAILED with
// ERROR_INVALID_PARAMETER for a bad count or an object named twice in a wait for all, ERROR_INVALID_HANDLE
// for a handle that is not open.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
// As WaitForMultipleObjects; when alertable, WAIT_IO_COMPLETION once completion routines of this thread
// (waitable timers') have run.
DWORD WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                               BOOL alertable);

// The calling thread's id (cached per thread). Ids may be reused once a thread has ended.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// Starts a thread at once; the handle is signalled when the thread ends. Returns 0 on failure. The
// thread takes part in virtual time (time/clock.h).
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*), void* argument,
                         unsigned initFlag, unsigned* threadId);

// Ends the calling thread, which _beginthreadex started, with this exit code; its stack unwinds (the
// objects on it are destroyed) on the way out.
[[noreturn]] void ExitThread(DWORD exitCode);
constexpr DWORD STILL_ACTIVE = 259;
// The exit code of an ended thread (the value its routine returned or ExitThread gave), STILL_ACTIVE
// while it runs; FALSE (ERROR_INVALID_HANDLE) for a handle that is not a thread's.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

void Sleep(DWORD milliseconds);
// Sleep that, when alertable, ends early with WAIT_IO_COMPLETION once completion routines of this thread
// have run; 0 otherwise.
DWORD SleepEx(DWORD milliseconds, BOOL alertable);
// Milliseconds since an arbitrary start, from the platform clock.
DWORD GetTickCount();
