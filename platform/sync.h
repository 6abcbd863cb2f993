// Kernel synchronisation objects, waits and threads. Named objects are private to this process (one
// name table per process): the objects of this system that carry names are only used inside one
// process.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/win_types.h"

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
HANDLE OpenEventA(DWORD access, BOOL inherit, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCSTR name);
HANDLE OpenSemaphoreA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_ABANDONED (a mutex whose owner thread ended holding it) or WAIT_FAILED.
// Time-outs go through the platform clock.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// Starts a thread at once; the handle is signalled when the thread ends. Returns 0 on failure.
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*), void* argument,
                         unsigned initFlag, unsigned* threadId);

void Sleep(DWORD milliseconds);
// Milliseconds since an arbitrary start, from the platform clock.
DWORD GetTickCount();
