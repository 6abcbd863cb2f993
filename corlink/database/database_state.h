// Process-wide state of the controller database that commands and discovery share.
#pragma once

#include <cstdint>

#include "corlink/foundation/nt_os.h"

// Database index of the controller the running command works on; -1 between commands.
extern int g_CurrentController;
// Periodic rediscovery runs while this is 1; guarded by g_DiscoveryLock.
extern volatile uint8_t g_DiscoveryFlag;
extern OS_LOCK* g_DiscoveryLock;
