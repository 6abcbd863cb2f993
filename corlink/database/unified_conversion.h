// The classic record of one controller of a pair, built from the pair's unified controller record.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_unified_controller.h"

// Builds `out` for the controller whose half of `unified` is `ab` (1 = controller A, 0 = B); the other half
// supplies the mate's serial and state. Any other ab leaves `out` all zero (logged).
void ConvertUnifiedController(const CAPI_UNIFIED_CONTROLLER* unified, CAPI_CONTROLLER* out, uint8_t ab);
