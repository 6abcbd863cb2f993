#include "platform/kernel/condition_variable.h"

#include <mutex>

#include "platform/kernel/critical_section_release.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/wait_machinery.h"

namespace {

// A thread sleeping on a variable, on its own stack; linked in the order the threads came. Guarded by the
// wait lock.
struct Sleeper {
    platform::ClockWait wait;
    Sleeper* next = nullptr;
};

Sleeper*& FirstOf(PCONDITION_VARIABLE variable) { return *reinterpret_cast<Sleeper**>(&variable->sleepers); }

void Append(PCONDITION_VARIABLE variable, Sleeper& sleeper) {
    Sleeper** link = &FirstOf(variable);
    while (*link != nullptr) link = &(*link)->next;
    *link = &sleeper;
}

void Remove(PCONDITION_VARIABLE variable, Sleeper& sleeper) {
    for (Sleeper** link = &FirstOf(variable); *link != nullptr; link = &(*link)->next) {
        if (*link == &sleeper) {
            *link = sleeper.next;
            return;
        }
    }
}

}  // namespace

void InitializeConditionVariable(PCONDITION_VARIABLE variable) { variable->sleepers = nullptr; }

BOOL SleepConditionVariableCS(PCONDITION_VARIABLE variable, PCRITICAL_SECTION section, DWORD milliseconds) {
    Sleeper self;
    bool woken = false;
    {
        std::unique_lock<std::mutex> lock(platform::WaitLock());
        Append(variable, self);
        platform::LeaveCriticalSectionWaitLockHeld(section);
        woken = platform::BlockOnClock(lock, self.wait,
                                       milliseconds == INFINITE ? platform::kNoTimeLimit : milliseconds);
        if (!woken) Remove(variable, self);  // a waker unlinks the sleeper it wakes
    }
    EnterCriticalSection(section);
    if (woken) return TRUE;
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
}

void WakeConditionVariable(PCONDITION_VARIABLE variable) {
    // The sleeper is woken once the wait lock is free; the waker goes on.
    platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
    std::lock_guard<std::mutex> lock(platform::WaitLock());
    Sleeper* first = FirstOf(variable);
    if (first == nullptr) return;
    FirstOf(variable) = first->next;
    platform::Wake(first->wait);
}
