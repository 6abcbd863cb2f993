// SET_DISCOVERY_FLAG (106): switches periodic rediscovery off and on.
#pragma once

#include "corlink/handlers/command_row.h"

// Its buffer: RRE_DISCOVERY_FLAG_BUFFER in corlink/proxy_wire/buffers_controller.h.
void capiSetDiscoveryFlag(Rre* pRre, const RreCommandInfo& info);
