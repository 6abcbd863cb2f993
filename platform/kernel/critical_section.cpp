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
    // The owner's thread token, 0 when free: a hint for spinning threads, read without the wait lock.
    std::atomic<uint64_t> owner{0};
};

SectionLock& LockOf(LPCRITICAL_SECTION section) { return *static_cast<SectionLock*>(section->lock); }

bool TryTake(SectionLock& lock) {
    if (platform::dispatch::WaitForObjects(lock.asList, false, 0, false) == WAIT_TIMEOUT) return false;
    lock.owner.store(platform::dispatch::CurrentThreadToken(), std::memory_order_relaxed);
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
    const uint64_t self = platform::dispatch::CurrentThreadToken();
    // The owner entering again takes the section at once; others spin while another thread holds it.
    for (DWORD spins = 0; spins < lock.spinCount; ++spins) {
        const uint64_t owner = lock.owner.load(std::memory_order_relaxed);
        if ((owner == 0 || owner == self) && TryTake(lock)) return;
        CpuRelax();
    }
    // An owner that ended inside the section leaves it to the next thread (WAIT_ABANDONED).
    platform::dispatch::WaitForObjects(lock.asList, false, INFINITE, false);
    lock.owner.store(self, std::memory_order_relaxed);
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
    const uint64_t self = dispatch::CurrentThreadToken();
    if (!lock.mutex->Release(self)) return;
    if (!lock.mutex->OwnedBy(self)) lock.owner.store(0, std::memory_order_relaxed);
}

}  // namespace platform
