// SET_DISCOVERY_FLAG (106): switches periodic rediscovery off and on.
#pragma once

#include "corlink/commands/command_table.h"

// Request and reply, 12 bytes: status, code, then the new flag value in byte 8 (not converted).
void capiSetDiscoveryFlag(Rre* pRre, const RreCommandInfo& info);
