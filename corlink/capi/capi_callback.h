// The reply callback of the CAPI library: every controller reply and the library's own reports
// (340 initialised, 300 version mismatch, 342 / 343 time-out / communication error) end here.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_shared.h"

// (reply code, return code, address, param1 to param4, payload or null)
using CAPI_CALLBACK = void (*)(uint32_t replyCode, int32_t returnCode, const CAPI_ADDRESS* address,
                               uint32_t param1, uint32_t param2, uint32_t param3, uint32_t param4,
                               void* payload);
