// Condition variables: a thread sleeps on one while it leaves a critical section, in one step, and takes
// the section again once woken. Sleeping threads are woken one at a time, the longest sleeping first; they
// count as blocked for the virtual clock, like any wait of the platform. A condition variable needs no
// clean-up: it holds nothing while no thread sleeps on it.
#pragma once

#include "platform/kernel/critical_section.h"
#include "platform/win_types.h"

struct CONDITION_VARIABLE {
    void* sleepers;  // the platform's list of the threads that sleep on it
};
using PCONDITION_VARIABLE = CONDITION_VARIABLE*;

constexpr DWORD ERROR_TIMEOUT = 1460;

void InitializeConditionVariable(PCONDITION_VARIABLE variable);
// Leaves the section (held by the caller), sleeps until woken or until milliseconds pass (INFINITE: no
// limit), and enters the section again. FALSE with ERROR_TIMEOUT when the time passed.
BOOL SleepConditionVariableCS(PCONDITION_VARIABLE variable, PCRITICAL_SECTION section, DWORD milliseconds);
// Wakes the thread that has slept longest on the variable, if any.
void WakeConditionVariable(PCONDITION_VARIABLE variable);
