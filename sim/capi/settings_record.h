// The pair's settings as its unified controller record reports them.
#pragma once

#include "corlink/capi_wire/capi_unified_controller.h"
#include "sim/model/pair.h"

namespace sim {

// The controller clock, both copies of the common parameters, the host channels' bus types, and in each half
// its own parameters (both copies) and its state byte now.
void PutSettings(const StorageSystem& system, CAPI_UNIFIED_CONTROLLER& unified);

}  // namespace sim
