// The run's shut-down flag: the named semaphore that the run raises when the service is to stop.
// Null until the run creates it (os_IsFlagSet then reads it as not raised).
#pragma once

#include "platform/win_types.h"

extern HANDLE g_ShutDownSem;
