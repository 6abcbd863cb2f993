// The run's process-wide state: the "ips" switch chosen on the command line, and the two semaphores created
// when the TCP server starts and closed at its shut-down (null before and after: os_IsFlagSet then reads
// the flag as not raised).
#pragma once

#include "platform/win_types.h"

// The "ips" argument was given: the server listens on every interface and sessions carry raw packets.
extern bool g_IpsMode;

constexpr const char* SHUTDOWN_SEMAPHORE_NAME = "corlink4_ShutDown";
constexpr const char* THREAD_COUNT_SEMAPHORE_NAME = "corlink4_ThreadCount";

// The shut-down flag: raised when the service is to stop.
extern HANDLE g_ShutDownSem;
// The count of running worker threads: each adds 1 when it starts and takes 1 when it ends.
extern HANDLE g_ThreadCountSem;
