#include "corlink/server/run_state.h"

bool g_IpsMode = false;
HANDLE g_ShutDownSem = nullptr;
HANDLE g_ThreadCountSem = nullptr;
