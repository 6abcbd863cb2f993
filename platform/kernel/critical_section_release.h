// Leaving a critical section inside the platform's wait machinery (platform-internal).
#pragma once

#include "platform/kernel/critical_section.h"

namespace platform {

// Wait lock held: leaves the section as LeaveCriticalSection does, in the same step as the caller's wait
// begins (a condition variable's sleep).
void LeaveCriticalSectionWaitLockHeld(LPCRITICAL_SECTION section);

}  // namespace platform
