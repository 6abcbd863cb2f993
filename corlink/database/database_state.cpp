// Process-wide state of the controller database.
#include "corlink/database/database_state.h"

int g_CurrentController = -1;
volatile uint8_t g_DiscoveryFlag = 0;
OS_LOCK* g_DiscoveryLock = nullptr;
