#include "sim/model/settings.h"

#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/model/pair.h"

namespace sim {

bool OnBus(const Controller& controller, uint64_t nowMs) {
    if (!controller.present) return false;
    const Restart& restart = controller.settings.restart;
    if (!restart.pending || nowMs < restart.leaveMs) return true;
    return restart.returnMs != 0 && nowMs >= restart.returnMs;
}

uint8_t ReportedState(const Controller& controller, uint64_t nowMs) {
    if (!OnBus(controller, nowMs) || controller.condition.state == HalfState::ShutDown) return kStateAbsent;
    return controller.settings.stateByte;
}

void ShutDownHalf(Controller& controller, uint64_t nowMs) {
    const uint32_t lasts = controller.settings.shutdownMs;
    controller.condition = {HalfState::ShutDown, lasts != 0 ? nowMs + lasts : 0,
                            CAPI_ERROR_CONTROLLER_SHUTDOWN};
}

void RestartHalf(Controller& controller, uint64_t nowMs) {
    controller.condition = {};
    const uint32_t lasts = controller.settings.restartMs;
    controller.settings.restart = {true, nowMs + kLeavesBusAfterMs,
                                   lasts != 0 ? nowMs + kLeavesBusAfterMs + lasts : 0};
}

}  // namespace sim
