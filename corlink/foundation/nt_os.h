// The operating-system layer of the proxy: memory, the recursive lock, named mutexes, the semaphore flag
// and counter, threads, sleeps and byte order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// A recursive lock: the owner may take it again; only the owner may release it. Waiters take it in the
// order they came.
struct OS_LOCK {
    DWORD ownerThreadId;  // 0 while free; written by the owner only
    DWORD count;          // 0 while free; written by the owner only
    HANDLE hMutex;        // the exclusion itself: recursive, owned by the thread that took it
};

struct OS_SYSINFO {
    char osName[48];
    char processorName[48];
};

// Set to 1 once the service is to stop or its start-up failed; never set back.
extern volatile int32_t g_StopFlag;

void* os_Alloc(uint32_t nBytes);
BOOL os_Free(void* block);
// malloc that waits for memory instead of failing.
void* safe_malloc(size_t size);

OS_LOCK* os_CreateLock();
void os_DeleteLock(OS_LOCK* lock);
int os_Lock(OS_LOCK* lock);
int os_Unlock(OS_LOCK* lock);

HANDLE os_CreateMutex(const char* name);
HANDLE os_OpenMutex(const char* name);
// 0 acquired, 1 time-out, 2 anything else; a time-out of 0 waits without limit.
int os_WaitForMutex(HANDLE mutex, int32_t timeoutMs);
void os_ReleaseMutex(HANDLE mutex);
void os_CloseMutex(HANDLE handle);
void os_CloseHandle(HANDLE handle);
void os_CloseSemaphore(HANDLE handle);
BOOL os_CloseThread(HANDLE handle);

// The shut-down flag and the thread counter: named semaphores, initial count 0, maximum 5000.
HANDLE os_CreateSemaphore(const char* name);
void os_SetFlag(HANDLE semaphore);
int os_IsFlagSet(HANDLE semaphore);
void os_ReleaseSemaphore(HANDLE semaphore);
void os_TryWait(HANDLE semaphore);
int os_GetCount(HANDLE semaphore, int32_t* count);

HANDLE os_BeginThread(unsigned (*start)(void*), void* argument);
void os_Sleep(int32_t ms);
void os_SleepSeconds(int32_t seconds);

uint32_t os_GetVersion(uint32_t* version);
int os_GetSystemInfo(OS_SYSINFO* info);

uint32_t os_htonl(uint32_t v);
uint16_t os_htons(uint16_t v);
uint32_t os_ntohl(uint32_t v);
uint16_t os_ntohs(uint16_t v);

// The rest of the layer, kept with it for completeness: each a single platform call.
void* os_AllocBlock(uint32_t nBytes);             // as os_Alloc
HANDLE os_CreateNamedEvent(const char* name);     // auto-reset, not signalled, inheritable
HANDLE os_CreateEvent();                          // unnamed, auto-reset, not signalled
HANDLE os_OpenEvent(const char* name);            // modify-state access
HANDLE os_OpenSemaphore(const char* name);        // all access
BOOL os_SetEvent(HANDLE event);                   // FALSE for a null event
HANDLE os_StartThread(unsigned (*start)(void*));  // os_BeginThread with a null argument
HANDLE os_OpenFile(const char* name);             // an existing file, read and write; null on failure
uint32_t os_ReadFile(HANDLE file, void* buffer, uint32_t count);         // bytes read, 0 on failure
uint32_t os_WriteFile(HANDLE file, const void* buffer, uint32_t count);  // bytes written, 0 on failure
// 10-ms ticks since system start, counting on across wraps of the 32-bit millisecond counter.
uint32_t os_GetTicks();
// Named ("\\.\mailslot\<name>"), any message size, read time-out 0, inheritable; null on failure.
HANDLE os_CreateMailslot(const char* name);
// Ends the calling thread (one os_BeginThread started) with this exit code.
[[noreturn]] void os_ExitThread(uint32_t exitCode);
// Starts the command line as a process of the high priority class, inheriting no handle; 1 when it
// started, else 0. The process and thread handles stay open.
int os_RunProgram(char* commandLine);
// The same as the functions they name.
inline constexpr void (*os_CloseEvent)(HANDLE) = os_CloseHandle;
inline constexpr void (*os_CloseNamedEvent)(HANDLE) = os_CloseHandle;
inline constexpr void (*os_CloseMailslot)(HANDLE) = os_CloseHandle;
inline constexpr void (*os_CloseFile)(HANDLE) = os_CloseHandle;
inline constexpr void (*os_CloseProcess)(HANDLE) = os_CloseHandle;
inline constexpr void (*os_CloseProcessThread)(HANDLE) = os_CloseHandle;
inline constexpr BOOL (*os_SignalEvent)(HANDLE) = os_SetEvent;
inline constexpr BOOL (*os_SetNamedEvent)(HANDLE) = os_SetEvent;
inline constexpr int (*os_WaitForObject)(HANDLE, int32_t) = os_WaitForMutex;
inline constexpr int (*os_WaitForEvent)(HANDLE, int32_t) = os_WaitForMutex;
