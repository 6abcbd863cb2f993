#include "corlink/foundation/nt_os.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "corlink/foundation/assertion.h"
#include "corlink/foundation/log.h"
#include "platform/windows_api.h"

volatile int32_t g_StopFlag = 0;

void* os_Alloc(uint32_t nBytes) {
    OS_ASSERT(nBytes != 0);
    return std::calloc(1, nBytes);
}

BOOL os_Free(void* block) {
    std::free(block);
    return TRUE;
}

void* safe_malloc(size_t size) {
    bool reported = false;
    for (;;) {
        void* p = std::malloc(size);
        if (p != nullptr) return p;
        if (!reported) {
            DebugPrint("safe_malloc: malloc failed, retrying...\n");
            reported = true;
        }
        Sleep(1000);
    }
}

OS_LOCK* os_CreateLock() {
    auto* lock = static_cast<OS_LOCK*>(os_Alloc(sizeof(OS_LOCK)));
    if (lock == nullptr) return nullptr;
    lock->hMutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (lock->hMutex == nullptr) {
        os_Free(lock);
        return nullptr;
    }
    lock->count = 0;
    lock->ownerThreadId = 0;
    return lock;
}

void os_DeleteLock(OS_LOCK* pLock) {
    if (pLock == nullptr) {
        OS_ASSERT(pLock);
        return;
    }
    if (pLock->hMutex != nullptr) CloseHandle(pLock->hMutex);
    os_Free(pLock);
}

// The owner writes the fields while it holds the mutex; other threads only read them (atomically), to
// refuse a release by a thread that does not hold the lock.
static DWORD ReadField(const DWORD& field) { return __atomic_load_n(&field, __ATOMIC_RELAXED); }
static void WriteField(DWORD& field, DWORD value) { __atomic_store_n(&field, value, __ATOMIC_RELAXED); }

int os_Lock(OS_LOCK* lock) {
    if (lock == nullptr) {
        OS_ASSERT(0);
        return 0;
    }
    switch (WaitForSingleObject(lock->hMutex, INFINITE)) {
        case WAIT_OBJECT_0: break;
        case WAIT_ABANDONED:
            // Its owner thread ended inside the lock: the lock is ours now (what it protects may be half
            // changed), with our own count.
            DebugPrint("os_Lock: the lock's owner thread ended holding it\n");
            WriteField(lock->count, 0);
            break;
        default: OS_ASSERT(0); return 0;
    }
    WriteField(lock->ownerThreadId, GetCurrentThreadId());
    WriteField(lock->count, ReadField(lock->count) + 1);
    return 1;
}

int os_Unlock(OS_LOCK* lock) {
    if (lock == nullptr || ReadField(lock->count) == 0 ||
        ReadField(lock->ownerThreadId) != GetCurrentThreadId()) {
        OS_ASSERT(0);
        return 0;
    }
    const DWORD count = ReadField(lock->count) - 1;
    WriteField(lock->count, count);
    if (count == 0) WriteField(lock->ownerThreadId, 0);
    if (!ReleaseMutex(lock->hMutex)) {  // an ended owner's id taken by another thread
        OS_ASSERT(0);
        return 0;
    }
    return 1;
}

HANDLE os_CreateMutex(const char* name) { return CreateMutexA(nullptr, FALSE, name); }

HANDLE os_OpenMutex(const char* name) { return OpenMutexA(SYNCHRONIZE, FALSE, name); }

int os_WaitForMutex(HANDLE mutex, int32_t timeoutMs) {
    DWORD wait = timeoutMs == 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    switch (WaitForSingleObject(mutex, wait)) {
        case WAIT_OBJECT_0: return 0;
        case WAIT_TIMEOUT: return 1;
        default: return 2;
    }
}

void os_ReleaseMutex(HANDLE mutex) {
    if (mutex != nullptr) ReleaseMutex(mutex);
}

void os_CloseMutex(HANDLE handle) {
    if (handle != nullptr) CloseHandle(handle);
}

void os_CloseHandle(HANDLE handle) {
    if (handle != nullptr) CloseHandle(handle);
}

void os_CloseSemaphore(HANDLE handle) {
    if (handle != nullptr) CloseHandle(handle);
}

BOOL os_CloseThread(HANDLE handle) { return CloseHandle(handle); }

HANDLE os_CreateSemaphore(const char* name) {
    // Every account may open the semaphore (a null access list); security is not modelled here.
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateSemaphoreA(&sa, 0, 5000, name);
}

void os_SetFlag(HANDLE semaphore) {
    if (semaphore != nullptr) ReleaseSemaphore(semaphore, 100, nullptr);
}

// Reads a semaphore's count by adding 1 and taking it back at once; -1 when the add failed.
static LONG ReadCount(HANDLE semaphore) {
    LONG before = 0;
    if (!ReleaseSemaphore(semaphore, 1, &before)) return -1;
    WaitForSingleObject(semaphore, 0);
    return before;
}

int os_IsFlagSet(HANDLE semaphore) {
    if (semaphore == nullptr) return 0;
    return ReadCount(semaphore) == 100 ? 1 : 0;
}

void os_ReleaseSemaphore(HANDLE semaphore) {
    if (semaphore != nullptr) ReleaseSemaphore(semaphore, 1, nullptr);
}

void os_TryWait(HANDLE semaphore) {
    if (semaphore != nullptr) WaitForSingleObject(semaphore, 0);
}

int os_GetCount(HANDLE semaphore, int32_t* count) {
    if (semaphore == nullptr) {
        *count = 0;
        return 0;
    }
    LONG before = ReadCount(semaphore);
    *count = before < 0 ? 0 : before;
    return *count != 0 ? 1 : 0;
}

HANDLE os_BeginThread(unsigned (*start)(void*), void* argument) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, start, argument, 0, nullptr));
}

void os_Sleep(int32_t ms) {
    if (ms >= 0) Sleep(static_cast<DWORD>(ms));
}

void os_SleepSeconds(int32_t seconds) {
    if (seconds >= 0) Sleep(static_cast<DWORD>(seconds) * 1000u);
}

static uint32_t Swap32(uint32_t v) { return __builtin_bswap32(v); }
static uint16_t Swap16(uint16_t v) { return __builtin_bswap16(v); }

uint32_t os_htonl(uint32_t v) { return Swap32(v); }
uint16_t os_htons(uint16_t v) { return Swap16(v); }
uint32_t os_ntohl(uint32_t v) { return Swap32(v); }
uint16_t os_ntohs(uint16_t v) { return Swap16(v); }
