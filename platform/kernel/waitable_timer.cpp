#include "platform/kernel/waitable_timer.h"

#include <mutex>

#include "platform/kernel/last_error.h"
#include "platform/kernel/wait_machinery.h"
#include "platform/kernel/wait_queues.h"

namespace platform::dispatch {
namespace {

// Milliseconds between 1601-01-01 and 1970-01-01 (UTC).
constexpr uint64_t kEpochGapMs = 11'644'473'600'000ULL;

uint64_t NowMono() { return GetClock().MonotonicMs(); }

class TimerObject final : public Waitable {
  public:
    explicit TimerObject(bool manual) : manual_(manual) {}

    bool Available(uint64_t) override {
        Refresh();
        return signalled_;
    }
    DWORD Take(uint64_t) override {
        if (!manual_) signalled_ = false;
        return WAIT_OBJECT_0;
    }
    uint64_t SignalsAt() override {
        Refresh();
        return running_ ? dueMono_ : 0;
    }
    bool TakeCompletion(uint64_t token, std::function<void()>* run) override {
        Refresh();
        if (!completionDue_ || token != routineThread_) return false;
        completionDue_ = false;
        const uint64_t at = (signalledAtMs_ + kEpochGapMs) * 10000;
        PTIMERAPCROUTINE routine = routine_;
        void* argument = argument_;
        *run = [=] { routine(argument, static_cast<DWORD>(at), static_cast<DWORD>(at >> 32)); };
        return true;
    }

    void Set(uint64_t dueMono, uint32_t periodMs, PTIMERAPCROUTINE routine, void* argument, uint64_t token) {
        signalled_ = false;
        completionDue_ = false;
        running_ = true;
        dueMono_ = dueMono;
        periodMs_ = periodMs;
        routine_ = routine;
        argument_ = argument;
        routineThread_ = token;
        WakeWaitersToRecheck();  // their time to wake moved
        Refresh();
        if (signalled_) Signal();
    }
    void Cancel() { running_ = false; }

  private:
    // Signals when the due time has come, and sets the next one for a periodic timer.
    void Refresh() {
        const uint64_t now = NowMono();
        if (!running_ || now < dueMono_) return;
        signalled_ = true;
        signalledAtMs_ = GetClock().NowMs();
        completionDue_ = routine_ != nullptr;
        if (periodMs_ == 0) {
            running_ = false;
        } else {
            dueMono_ += (1 + (now - dueMono_) / periodMs_) * periodMs_;
        }
    }

    bool manual_;
    bool signalled_ = false;
    bool running_ = false;
    uint64_t dueMono_ = 0;
    uint32_t periodMs_ = 0;
    PTIMERAPCROUTINE routine_ = nullptr;
    void* argument_ = nullptr;
    uint64_t routineThread_ = 0;
    bool completionDue_ = false;
    uint64_t signalledAtMs_ = 0;
};

}  // namespace
}  // namespace platform::dispatch

using platform::dispatch::TimerObject;

HANDLE CreateWaitableTimerA(LPSECURITY_ATTRIBUTES, BOOL manualReset, LPCSTR name) {
    if (name != nullptr && *name != '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);  // no caller shares a timer by name
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return platform::NewHandle(std::make_shared<TimerObject>(manualReset != FALSE));
}

BOOL SetWaitableTimer(HANDLE handle, const LARGE_INTEGER* dueTime, LONG periodMs, PTIMERAPCROUTINE routine,
                      void* routineArgument, BOOL) {
    auto timer = platform::LookupHandleAs<TimerObject>(handle);
    if (!timer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dueTime == nullptr || periodMs < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    platform::Clock& clock = platform::GetClock();
    const int64_t due = dueTime->QuadPart;
    uint64_t delayMs;
    if (due < 0) {
        const uint64_t units = static_cast<uint64_t>(-(due + 1)) + 1;  // 100-ns units
        delayMs = units / 10000 + (units % 10000 != 0 ? 1 : 0);
    } else {
        const uint64_t atMs = static_cast<uint64_t>(due) / 10000;
        const uint64_t nowMs = clock.NowMs() + platform::dispatch::kEpochGapMs;
        delayMs = atMs > nowMs ? atMs - nowMs : 0;
    }
    if (routine != nullptr) platform::dispatch::AddCompletionSource(timer);
    const uint64_t token = platform::dispatch::CurrentThreadToken();
    platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
    std::lock_guard<std::mutex> g(platform::WaitLock());
    timer->Set(clock.MonotonicMs() + delayMs, static_cast<uint32_t>(periodMs), routine, routineArgument,
               token);
    return TRUE;
}

BOOL CancelWaitableTimer(HANDLE handle) {
    auto timer = platform::LookupHandleAs<TimerObject>(handle);
    if (!timer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(platform::WaitLock());
    timer->Cancel();
    return TRUE;
}
