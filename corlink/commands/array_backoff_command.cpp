#include "corlink/commands/array_backoff_command.h"

#include <cstring>
#include <memory>

#include "corlink/capi/capi_unified_controller.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/controller_refresh.h"
#include "corlink/commands/reply_buffers.h"
#include "corlink/service/log.h"

namespace {

constexpr uint32_t kPercentAt = 44;

// The controller parameters as the pair reports them now: the common parameters and each half's own.
std::unique_ptr<CAPI_UNIFIED_PARAMS> CurrentParams(const CAPI_UNIFIED_CONTROLLER& unified) {
    auto params = std::make_unique<CAPI_UNIFIED_PARAMS>();
    std::memcpy(&params->common, &unified.common.params1, sizeof params->common);
    for (size_t half = 0; half < 2; ++half) {
        std::memcpy(&params->controllers[half], &unified.controllers[half].params1, sizeof params->controllers[half]);
    }
    return params;
}

int32_t RunSetArrayBackoffPercent(CommandContext& c) {
    if (RequestUnifiedControllerData(c.index) != 0) {
        DebugPrint("capiSetArrayBackoffPercent: GetControllerData error!\n");
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return -1;
    }
    uint32_t percent = 0;
    std::memcpy(&percent, c.buffer + kPercentAt, sizeof percent);
    const std::unique_ptr<CAPI_UNIFIED_PARAMS> params = CurrentParams(g_UnifiedControllerBuffer);
    params->common.raidParams.createArrayBackoffPercent = percent;
    const int32_t code = CAPI_U_SetControllerParams(ControllerHandleOf(c.index), params.get());
    const CAPI_ADVANCED_NETWORK_INTERFACE& net = g_ControllerDb[static_cast<uint32_t>(c.index)].networkInterface;
    DebugPrint("capiSetArrayBackoffPercent: set %.*s's ArrayBackoffPercent %d result %d\n",
               static_cast<int>(strnlen(net.systemName, sizeof net.systemName)), net.systemName,
               static_cast<int>(percent), code);
    return code;
}

}  // namespace

// Found by UniqueSN; an in-process caller that is not trusted must have authenticated the system.
const FramedCommand kSetArrayBackoffPercent{Lookup::UniqueSn, FirstRead::Refresh, false, nullptr,
                                            RunSetArrayBackoffPercent, false, nullptr};
