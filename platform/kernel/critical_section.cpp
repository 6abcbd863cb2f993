#include "platform/kernel/critical_section.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/kernel/critical_section_release.h"
#include "platform/kernel/kernel_objects.h"
#include "platform/kernel/wait_machinery.h"

namespace {

using platform::dispatch::MutexObject;

// The section's lock: a mutex object, so that waits for it are served in order and seen by the clock. A
// section with a spin count is held for moments: its mutex is offered to its waiters, never handed over.
struct SectionLock {
    explicit SectionLock(DWORD spins) : mutex(std::make_shared<MutexObject>(spins == 0)), spinCount(spins) {}
    std::shared_ptr<MutexObject> mutex;
    std::vector<std::shared_ptr<platform::dispatch::Waitable>> asList{mutex};
    DWORD spinCount;
    std::atomic<bool> held{false};  // a hint for spinning threads, read without the wait lock
};

SectionLock& LockOf(LPCRITICAL_SECTION section) { return *static_cast<SectionLock*>(section->lock); }

bool TryTake(SectionLock& lock) {
    if (platform::dispatch::WaitForObjects(lock.asList, false, 0, false) == WAIT_TIMEOUT) return false;
    lock.held.store(true, std::memory_order_relaxed);
    return true;
}

// A hint to the processor that this thread waits in a loop.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) { section->lock = new SectionLock(0); }

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount) {
    section->lock = new SectionLock(spinCount);
    return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    SectionLock& lock = LockOf(section);
    for (DWORD spins = 0; spins < lock.spinCount; ++spins) {
        if (!lock.held.load(std::memory_order_relaxed) && TryTake(lock)) return;
        CpuRelax();
    }
    // An owner that ended inside the section leaves it to the next thread (WAIT_ABANDONED).
    platform::dispatch::WaitForObjects(lock.asList, false, INFINITE, false);
    lock.held.store(true, std::memory_order_relaxed);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) { return TryTake(LockOf(section)) ? TRUE : FALSE; }

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    // The waiter offered the section is woken once the wait lock is free; the leaving thread goes on.
    platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
    std::lock_guard<std::mutex> g(platform::WaitLock());
    platform::LeaveCriticalSectionWaitLockHeld(section);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    delete static_cast<SectionLock*>(section->lock);
    section->lock = nullptr;
}

namespace platform {

void LeaveCriticalSectionWaitLockHeld(LPCRITICAL_SECTION section) {
    SectionLock& lock = LockOf(section);
    if (!lock.mutex->OwnedBy(dispatch::CurrentThreadToken())) return;
    lock.mutex->Release(dispatch::CurrentThreadToken());
    if (!lock.mutex->OwnedBy(dispatch::CurrentThreadToken()))
        lock.held.store(false, std::memory_order_relaxed);
}

}  // namespace platform
