// The controller list commands: which controller pairs and storage systems the proxy knows, whether a
// storage system's controllers were re-read, and a controller's unified record.
#pragma once

#include "corlink/handlers/command_row.h"
#include "corlink/handlers/handler_frame.h"

// Their buffers: corlink/proxy_wire/controller_list_wire.h.
void capiGetControllerHandleDb(Rre* pRre, const RreCommandInfo& info);
void capiGetStorageSystems(Rre* pRre, const RreCommandInfo& info);
void capiNeedUpdateController(Rre* pRre, const RreCommandInfo& info);
extern const FramedCommand kGetUnifiedControllerData;
