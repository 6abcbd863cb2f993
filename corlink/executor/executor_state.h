// Process-wide state of the command executor.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win_types.h"

// RRE_STATUS_NOT_INITIALIZED until rreInitialize has finished, then 0 for the life of the process.
extern std::atomic<uint32_t> g_RreInitStatus;
// The state-change mutex "corlink4__stcg_": held for each whole command and each rebuild of the database.
extern HANDLE g_StateChangeMutex;
// Set by the program entry in "trace" runs.
extern volatile int g_TraceFlag;

constexpr const char* STATE_CHANGE_MUTEX_NAME = "corlink4__stcg_";

// Waits without a time limit for g_StateChangeMutex; true when this thread holds it. A wait that finds it
// abandoned counts as failed, and the ownership that wait handed over is given back, so that the mutex
// is not held for ever by a thread that will not release it.
bool TakeStateChangeMutex();

// Creates or opens the state-change mutex (reason 1) or closes it (reason 0); 1 on success.
int DllMain(void* module, uint32_t reason, void* reserved);
