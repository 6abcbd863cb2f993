#include "platform/sync.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/last_error.h"

namespace {

// One lock and one condition for every waitable object: waits are rare and short-lived in this system,
// and a single dispatcher keeps each object's state change and the wake-up of its waiters atomic.
std::mutex& DispatchLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::condition_variable& DispatchSignal() {
    static auto* cv = new std::condition_variable;
    return *cv;
}

class Waitable : public platform::Object {
public:
    // Called under the dispatch lock: takes the object for the calling thread if it is signalled.
    virtual bool TryAcquire(DWORD threadId) = 0;
};

class Event final : public Waitable {
public:
    Event(bool manual, bool signalled) : manual_(manual), signalled_(signalled) {}
    bool TryAcquire(DWORD) override {
        if (!signalled_) return false;
        if (!manual_) signalled_ = false;
        return true;
    }
    void Set(bool on) { signalled_ = on; }

private:
    bool manual_;
    bool signalled_;
};

class Mutex final : public Waitable {
public:
    bool TryAcquire(DWORD threadId) override {
        if (count_ != 0 && owner_ != threadId) return false;
        owner_ = threadId;
        ++count_;
        return true;
    }
    bool Release(DWORD threadId) {
        if (count_ == 0 || owner_ != threadId) return false;
        if (--count_ == 0) owner_ = 0;
        return true;
    }

private:
    DWORD owner_ = 0;
    uint32_t count_ = 0;
};

class Semaphore final : public Waitable {
public:
    Semaphore(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
    bool TryAcquire(DWORD) override {
        if (count_ <= 0) return false;
        --count_;
        return true;
    }
    bool Release(LONG n, LONG* previous) {
        if (n <= 0 || n > maximum_ - count_) return false;
        if (previous != nullptr) *previous = count_;
        count_ += n;
        return true;
    }

private:
    LONG count_;
    LONG maximum_;
};

class Thread final : public Waitable {
public:
    bool TryAcquire(DWORD) override { return ended_; }
    void End() { ended_ = true; }

private:
    bool ended_ = false;
};

// Process-private names of kernel objects.
std::map<std::string, std::weak_ptr<Waitable>>& NameTable() {
    static auto* table = new std::map<std::string, std::weak_ptr<Waitable>>;
    return *table;
}

template <class T, class Make>
HANDLE CreateNamed(LPCSTR name, Make make) {
    std::lock_guard<std::mutex> g(DispatchLock());
    if (name != nullptr && *name != '\0') {
        auto& table = NameTable();
        auto it = table.find(name);
        if (it != table.end()) {
            if (auto existing = it->second.lock()) {
                auto typed = std::dynamic_pointer_cast<T>(existing);
                if (!typed) {
                    SetLastError(6);  // a name used by an object of another kind: ERROR_INVALID_HANDLE
                    return nullptr;
                }
                SetLastError(ERROR_ALREADY_EXISTS);
                return platform::NewHandle(typed);
            }
        }
        auto object = make();
        table[name] = object;
        SetLastError(ERROR_SUCCESS);
        return platform::NewHandle(object);
    }
    SetLastError(ERROR_SUCCESS);
    return platform::NewHandle(make());
}

template <class T>
HANDLE OpenNamed(LPCSTR name) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(DispatchLock());
    auto& table = NameTable();
    auto it = table.find(name);
    std::shared_ptr<Waitable> existing = it != table.end() ? it->second.lock() : nullptr;
    auto typed = std::dynamic_pointer_cast<T>(existing);
    if (!typed) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return platform::NewHandle(typed);
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    return CreateNamed<Event>(name, [&] { return std::make_shared<Event>(manualReset, initialState); });
}

HANDLE OpenEventA(DWORD, BOOL, LPCSTR name) { return OpenNamed<Event>(name); }

static BOOL SetEventState(HANDLE handle, bool on) {
    auto event = platform::LookupHandleAs<Event>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> g(DispatchLock());
        event->Set(on);
    }
    if (on) DispatchSignal().notify_all();
    return TRUE;
}

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    DWORD self = GetCurrentThreadId();
    HANDLE h = CreateNamed<Mutex>(name, [] { return std::make_shared<Mutex>(); });
    if (h != nullptr && initialOwner && GetLastError() != ERROR_ALREADY_EXISTS) {
        auto mutex = platform::LookupHandleAs<Mutex>(h);
        std::lock_guard<std::mutex> g(DispatchLock());
        mutex->TryAcquire(self);
    }
    return h;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) { return OpenNamed<Mutex>(name); }

BOOL ReleaseMutex(HANDLE handle) {
    auto mutex = platform::LookupHandleAs<Mutex>(handle);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool released;
    {
        std::lock_guard<std::mutex> g(DispatchLock());
        released = mutex->Release(GetCurrentThreadId());
    }
    if (!released) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    DispatchSignal().notify_all();
    return TRUE;
}

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCSTR name) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateNamed<Semaphore>(name,
                                  [&] { return std::make_shared<Semaphore>(initialCount, maximumCount); });
}

HANDLE OpenSemaphoreA(DWORD, BOOL, LPCSTR name) { return OpenNamed<Semaphore>(name); }

BOOL ReleaseSemaphore(HANDLE handle, LONG releaseCount, LONG* previousCount) {
    auto semaphore = platform::LookupHandleAs<Semaphore>(handle);
    if (!semaphore) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool released;
    {
        std::lock_guard<std::mutex> g(DispatchLock());
        released = semaphore->Release(releaseCount, previousCount);
    }
    if (!released) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    DispatchSignal().notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto object = platform::LookupHandleAs<Waitable>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    DWORD self = GetCurrentThreadId();
    std::unique_lock<std::mutex> lock(DispatchLock());
    auto acquired = [&] { return object->TryAcquire(self); };
    if (milliseconds == INFINITE) {
        DispatchSignal().wait(lock, acquired);
        return WAIT_OBJECT_0;
    }
    if (acquired()) return WAIT_OBJECT_0;
    if (milliseconds == 0) return WAIT_TIMEOUT;
    return platform::GetClock().WaitFor(DispatchSignal(), lock, milliseconds, acquired) ? WAIT_OBJECT_0
                                                                                       : WAIT_TIMEOUT;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned, unsigned* threadId) {
    auto thread = std::make_shared<Thread>();
    HANDLE handle = platform::NewHandle(thread);
    try {
        std::thread([thread, start, argument] {
            start(argument);
            {
                std::lock_guard<std::mutex> g(DispatchLock());
                thread->End();
            }
            DispatchSignal().notify_all();
        }).detach();
    } catch (const std::system_error&) {
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (threadId != nullptr) *threadId = 0;  // the id is only known inside the thread
    return reinterpret_cast<uintptr_t>(handle);
}

void Sleep(DWORD milliseconds) { platform::GetClock().Sleep(milliseconds); }

DWORD GetTickCount() { return static_cast<DWORD>(platform::GetClock().MonotonicMs()); }
