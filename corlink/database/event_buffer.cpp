#include "corlink/database/event_buffer.h"

CAPI_EVENT_RECORD* g_EventBuffer = nullptr;
uint32_t g_EventCount = 0;
