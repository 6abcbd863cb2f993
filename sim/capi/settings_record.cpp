#include "sim/capi/settings_record.h"

#include <algorithm>
#include <cstring>

#include "platform/time/clock.h"

namespace sim {
namespace {

template <class T>
void PutBlock(T& block, const std::vector<uint8_t>& stored) {
    if (stored.empty()) return;
    std::memcpy(&block, stored.data(), std::min(stored.size(), sizeof block));
}

}  // namespace

void PutSettings(const StorageSystem& system, CAPI_UNIFIED_CONTROLLER& unified) {
    const PairSettings& settings = system.settings;
    CAPI_UNIFIED_COMMON_DATA& common = unified.common;
    common.timeDate = settings.timeDate;
    PutBlock(common.params1, settings.commonParams);
    PutBlock(common.params2, settings.commonParams);
    const uint64_t now = platform::GetClock().NowMs();
    for (const Controller& controller : system.controllers) {
        CAPI_UNIFIED_CONTROLLER_DATA& half = unified.controllers[controller.failoverId & 1];
        PutBlock(half.params1, controller.settings.params);
        PutBlock(half.params2, controller.settings.params);
        half.controllerState = ReportedState(controller, now);
    }
}

}  // namespace sim
