// SET_DISCOVERY_FLAG (106): switches periodic rediscovery off and on.
#pragma once

#include "corlink/handlers/command_row.h"

// Its buffer: corlink/proxy_wire/controller_list_wire.h.
void capiSetDiscoveryFlag(Rre* pRre, const RreCommandInfo& info);
