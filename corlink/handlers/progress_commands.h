// The progress of the controllers' background utilities: every array of every controller at once, or one
// array's percentage.
#pragma once

#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/buffers_drives.h"

void capiGetProgress(Rre* pRre, const RreCommandInfo& info);
extern const FramedCommand kPercentComplete;

// One controller's record in the GET_PROGRESS reply.
constexpr uint32_t PROGRESS_RECORD_SIZE = sizeof(RRE_PROGRESS_RECORD);
