#include "corlink/handlers/controller_params_area.h"

#include <cstring>

#include "corlink/database/reply_buffers.h"

namespace {

CAPI_UNIFIED_PARAMS g_ControllerParamsArea;

}  // namespace

CAPI_UNIFIED_PARAMS& FillControllerParamsArea() {
    std::memcpy(&g_ControllerParamsArea.common, &g_UnifiedControllerBuffer.common.params1,
                sizeof g_ControllerParamsArea.common);
    for (uint32_t half = 0; half < 2; ++half) {
        std::memcpy(&g_ControllerParamsArea.controllers[half],
                    &g_UnifiedControllerBuffer.controllers[half].params1,
                    sizeof g_ControllerParamsArea.controllers[half]);
    }
    return g_ControllerParamsArea;
}
