// The event records of the event command under way: the command allocates the buffer, the reply
// callback fills it. Null between event commands.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_event.h"

constexpr uint32_t EVENT_BUFFER_MAX_RECORDS = 416;

extern CAPI_EVENT_RECORD* g_EventBuffer;  // EVENT_BUFFER_MAX_RECORDS records while set
extern uint32_t g_EventCount;             // records the last event reply stored
