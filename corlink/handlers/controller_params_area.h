// The proxy's one controller-parameter area: the set-parameters request that the commands changing a
// controller's settings build from the unified record read last (g_UnifiedControllerBuffer), change in
// their fields and send. Used under the state-change mutex only.
#pragma once

#include "corlink/capi_wire/capi_unified_controller.h"

// Fills the area from g_UnifiedControllerBuffer: the first common parameter block, then the parameters of
// half 0 and of half 1; returns it.
CAPI_UNIFIED_PARAMS& FillControllerParamsArea();
