#include "corlink/handlers/array_backoff_command.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/controller_params_area.h"
#include "corlink/proxy_wire/buffers_arrays.h"

namespace {

int32_t RunSetArrayBackoffPercent(CommandContext& c) {
    if (RequestUnifiedControllerData(c.index) != 0) {
        DebugPrint("capiSetArrayBackoffPercent: GetControllerData error!\n");
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return -1;
    }
    const uint32_t percent = rre_wire::BufferAs<RRE_BACKOFF_BUFFER>(c.buffer)->percent;
    CAPI_UNIFIED_PARAMS& params = FillControllerParamsArea();
    params.common.raidParams.createArrayBackoffPercent = percent;
    const int32_t code = CAPI_U_SetControllerParams(ControllerHandleOf(c.index), &params);
    const CAPI_ADVANCED_NETWORK_INTERFACE& net =
        g_ControllerDb[static_cast<uint32_t>(c.index)].networkInterface;
    DebugPrint("capiSetArrayBackoffPercent: set %.*s's ArrayBackoffPercent %d result %d\n",
               static_cast<int>(strnlen(net.systemName, sizeof net.systemName)), net.systemName,
               static_cast<int>(percent), code);
    return code;
}

}  // namespace

// Found by UniqueSN; an in-process caller that is not trusted must have authenticated the system.
const FramedCommand kSetArrayBackoffPercent{
    Lookup::UniqueSn, FirstRead::Refresh, false, nullptr, RunSetArrayBackoffPercent, false, nullptr};
