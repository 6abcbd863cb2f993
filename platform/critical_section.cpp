#include "platform/critical_section.h"

#include <memory>
#include <mutex>

#include "platform/kernel_objects.h"

namespace {

using platform::dispatch::MutexObject;

// The section's lock: a mutex object, so that waits for it are served in order and seen by the clock.
struct SectionLock {
    std::shared_ptr<MutexObject> mutex = std::make_shared<MutexObject>();
    std::vector<std::shared_ptr<platform::dispatch::Waitable>> asList{mutex};
};

SectionLock& LockOf(LPCRITICAL_SECTION section) {
    return *static_cast<SectionLock*>(section->lock);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    section->lock = new SectionLock;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    // An owner that ended inside the section leaves it to the next thread (WAIT_ABANDONED).
    platform::dispatch::WaitForObjects(LockOf(section).asList, false, INFINITE, false);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return platform::dispatch::WaitForObjects(LockOf(section).asList, false, 0, false) != WAIT_TIMEOUT;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    const uint64_t self = platform::dispatch::CurrentThreadToken();
    platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
    std::lock_guard<std::mutex> g(platform::WaitLock());
    LockOf(section).mutex->Release(self);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    delete static_cast<SectionLock*>(section->lock);
    section->lock = nullptr;
}
