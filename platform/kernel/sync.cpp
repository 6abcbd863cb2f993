#include "platform/kernel/sync.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel/kernel_objects.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"
#include "platform/time/clock_threads.h"

using platform::dispatch::EventObject;
using platform::dispatch::MutexObject;
using platform::dispatch::SemaphoreObject;
using platform::dispatch::ThreadObject;
using platform::dispatch::Waitable;

namespace {

// Thrown by ExitThread, caught where _beginthreadex started the thread.
struct ThreadExit {
    DWORD code;
};

// Signals a thread's handle as its last thread-local object is destroyed: as on Windows, a waiter on the
// handle then knows the thread is gone, its thread-local clean-up included, and may free or unload what that
// clean-up touches.
struct ThreadEnd {
    std::shared_ptr<ThreadObject> thread;
    DWORD exitCode = 0;
    ~ThreadEnd() {
        if (!thread) return;
        platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
        std::lock_guard<std::mutex> g(platform::WaitLock());
        thread->End(exitCode);
    }
};

// Process-private names of kernel objects.
struct NameTable {
    std::mutex m;
    std::map<std::string, std::weak_ptr<Waitable>> objects;
};

NameTable& Names() {
    static auto* table = new NameTable;
    return *table;
}

template <class T, class Make>
HANDLE CreateNamed(LPCSTR name, Make make) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_SUCCESS);
        return platform::NewHandle(make());
    }
    NameTable& names = Names();
    std::lock_guard<std::mutex> g(names.m);
    auto it = names.objects.find(name);
    if (it != names.objects.end()) {
        if (auto existing = it->second.lock()) {
            auto typed = std::dynamic_pointer_cast<T>(existing);
            if (!typed) {
                SetLastError(ERROR_INVALID_HANDLE);  // the name belongs to an object of another kind
                return nullptr;
            }
            SetLastError(ERROR_ALREADY_EXISTS);
            return platform::NewHandle(typed);
        }
    }
    auto object = make();
    names.objects[name] = object;
    SetLastError(ERROR_SUCCESS);
    return platform::NewHandle(object);
}

template <class T>
HANDLE OpenNamed(LPCSTR name) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    NameTable& names = Names();
    std::lock_guard<std::mutex> g(names.m);
    auto it = names.objects.find(name);
    std::shared_ptr<Waitable> existing = it != names.objects.end() ? it->second.lock() : nullptr;
    auto typed = std::dynamic_pointer_cast<T>(existing);
    if (!typed) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return platform::NewHandle(typed);
}

template <class T>
std::shared_ptr<T> Lookup(HANDLE handle) {
    auto object = platform::LookupHandleAs<T>(handle);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    return CreateNamed<EventObject>(name,
                                    [&] { return std::make_shared<EventObject>(manualReset, initialState); });
}

HANDLE OpenEventA(DWORD, BOOL, LPCSTR name) { return OpenNamed<EventObject>(name); }

static BOOL SetEventState(HANDLE handle, bool on) {
    auto event = Lookup<EventObject>(handle);
    if (!event) return FALSE;
    platform::DeferredWakes afterUnlock;
    std::lock_guard<std::mutex> g(platform::WaitLock());
    event->Set(on);
    return TRUE;
}

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    HANDLE h = CreateNamed<MutexObject>(name, [] { return std::make_shared<MutexObject>(); });
    if (h != nullptr && initialOwner && GetLastError() != ERROR_ALREADY_EXISTS) {
        WaitForSingleObject(h, 0);  // nobody else can have it yet
        SetLastError(ERROR_SUCCESS);
    }
    return h;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) { return OpenNamed<MutexObject>(name); }

BOOL ReleaseMutex(HANDLE handle) {
    auto mutex = Lookup<MutexObject>(handle);
    if (!mutex) return FALSE;
    const uint64_t self = platform::dispatch::CurrentThreadToken();
    platform::DeferredWakes afterUnlock;
    std::unique_lock<std::mutex> lock(platform::WaitLock());
    if (!mutex->Release(self)) {
        lock.unlock();
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCSTR name) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateNamed<SemaphoreObject>(
        name, [&] { return std::make_shared<SemaphoreObject>(initialCount, maximumCount); });
}

HANDLE OpenSemaphoreA(DWORD, BOOL, LPCSTR name) { return OpenNamed<SemaphoreObject>(name); }

BOOL ReleaseSemaphore(HANDLE handle, LONG releaseCount, LONG* previousCount) {
    auto semaphore = Lookup<SemaphoreObject>(handle);
    if (!semaphore) return FALSE;
    platform::DeferredWakes afterUnlock;
    std::unique_lock<std::mutex> lock(platform::WaitLock());
    if (!semaphore->Release(releaseCount, previousCount)) {
        lock.unlock();
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjectsEx(1, &handle, FALSE, milliseconds, FALSE);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    return WaitForMultipleObjectsEx(count, handles, waitAll, milliseconds, FALSE);
}

DWORD WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                               BOOL alertable) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects(count);
    for (DWORD i = 0; i < count; ++i) {
        objects[i] = Lookup<Waitable>(handles[i]);
        if (!objects[i]) return WAIT_FAILED;
        for (DWORD j = 0; waitAll && j < i; ++j) {
            if (objects[j] == objects[i]) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return WAIT_FAILED;
            }
        }
    }
    return platform::dispatch::WaitForObjects(objects, waitAll != FALSE, milliseconds, alertable != FALSE);
}

namespace {

thread_local DWORD t_threadId = 0;

// A forked child's thread has an id of its own.
void ForgetThreadIdInChild() { t_threadId = 0; }
[[maybe_unused]] const int g_forkHook = pthread_atfork(nullptr, nullptr, ForgetThreadIdInChild);

}  // namespace

DWORD GetCurrentThreadId() {
    if (t_threadId == 0) t_threadId = static_cast<DWORD>(::syscall(SYS_gettid));
    return t_threadId;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned,
                         unsigned* threadId) {
    auto thread = std::make_shared<ThreadObject>();
    HANDLE handle = platform::NewHandle(thread);
    // It takes part from now on, so that time cannot pass between its start and its first wait.
    platform::threads::ReservePlace();
    try {
        std::thread([thread, start, argument] {
            // The first thread-local object of the thread, so the last one destroyed.
            thread_local ThreadEnd end;
            end.thread = thread;
            platform::threads::ClaimPlace();
            try {
                end.exitCode = start(argument);
            } catch (const ThreadExit& exit) {
                end.exitCode = exit.code;
            }
            platform::dispatch::EndCurrentThread();
            platform::threads::LeavePlace();
        }).detach();
    } catch (const std::system_error&) {
        platform::threads::CancelPlace();
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (threadId != nullptr) *threadId = 0;  // the id is only known inside the thread
    return reinterpret_cast<uintptr_t>(handle);
}

void ExitThread(DWORD exitCode) { throw ThreadExit{exitCode}; }

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode) {
    auto thread = platform::LookupHandleAs<ThreadObject>(handle);
    if (!thread || exitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(platform::WaitLock());
    *exitCode = thread->exitCode();
    return TRUE;
}

void Sleep(DWORD milliseconds) { platform::GetClock().Sleep(milliseconds); }

DWORD SleepEx(DWORD milliseconds, BOOL alertable) {
    if (!alertable) {
        Sleep(milliseconds);
        return 0;
    }
    platform::GetClock().NoteSleep(milliseconds);
    const DWORD outcome = platform::dispatch::WaitForObjects({}, false, milliseconds, true);
    return outcome == WAIT_IO_COMPLETION ? WAIT_IO_COMPLETION : 0;
}

DWORD GetTickCount() { return static_cast<DWORD>(platform::GetClock().MonotonicMs()); }
