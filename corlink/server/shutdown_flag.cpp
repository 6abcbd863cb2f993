#include "corlink/server/shutdown_flag.h"

HANDLE g_ShutDownSem = nullptr;
HANDLE g_ThreadCountSem = nullptr;
