// The in-band SCSI transport (link type 5) that fills the CAPI library's transport slot: its initialise
// function runs controller discovery; send-and-receive carries one CAPI packet to a controller's
// management LUN in a WRITE BUFFER and fetches the reply with READ BUFFER; find-next-controller hands
// the discovered controllers to the library one at a time.
#pragma once

#include <cstdint>

#include "corlink/capi/lmx.h"

// Resends of one packet after "Paper Jam" or a bus reset before the exchange counts as a
// communication error.
constexpr uint32_t INBAND_MAX_UNCOUNTED_RESENDS = 4;
// Attempts of a write or of a reply read that fail for communication reasons.
constexpr uint32_t INBAND_MAX_ATTEMPTS = 4;

void SCSI32LMX_Initialize(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops);
// One whole exchange; the outcome is in the I/O block and, after a reply, its callback has run.
void SCSI32LMX_SendAndReceivePacket(LMX_IOB* iob);
void SCSI32LMX_Poll();
// Copies the next usable controller of the processor device table into the context; 1 when it did.
uint8_t SCSI32LMX_FindNextController(uint32_t first, uint32_t* lastTime, CAPI_CONTROLLER_CONTEXT* context);
