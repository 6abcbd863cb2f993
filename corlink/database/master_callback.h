// The reply callback that the proxy registers with the CAPI library: every reply and event is stored into
// the database entry of the controller that answered, the partition table, the reply buffers or the
// event buffer, and the entry's updateStatus tells the waiting code how the reply went.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_shared.h"

// Set by the callback when the library reports that its transport finished initialising; never cleared.
extern volatile uint8_t g_InitializeComplete;

void MasterCallback(uint32_t replyCode, int32_t errorCode, const CAPI_ADDRESS* address, uint32_t param1,
                    uint32_t param2, uint32_t param3, uint32_t param4, void* payload);

// Polls the CAPI library every 500 ms (virtual clock) until 2 x seconds polls were made.
void PollForSeconds(uint32_t seconds);
// Logs the drives of entry `index` with the marker naming the caller.
void DumpDiskDrivesEx(int32_t index, int marker);
