// The commands that set a controller pair as a whole: its parameters, its clock and its channels; silence
// its alarm and rescan its buses.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_channel.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "sim/capi/command_rows.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeUnifiedParams = 57;
constexpr uint32_t kIncludeChannelParams = 19;
constexpr uint32_t kCommandSetChannelParams = 65;
constexpr uint32_t kReplyRescanBus = 321;
constexpr uint32_t kReplySetChannelParams = 358;
constexpr uint32_t kHostChannels = 8;

constexpr size_t kCommonSize = sizeof(CAPI_UNIFIED_COMMON_PARAMS);
constexpr size_t kHalfSize = sizeof(CAPI_UNIFIED_CONTROLLER_PARAMS);
// A host channel's settings in the half's parameter block, and the two bytes of the classic record that
// land beside its bus settings.
constexpr size_t kHostChannelParamsAt = offsetof(CAPI_UNIFIED_CONTROLLER_PARAMS, channelParams);
constexpr size_t kChannelParamsSize = sizeof(CAPI_UNIFIED_CHANNEL_PARAMS);
constexpr size_t kBusParamsSize = sizeof(CAPI_CHANNEL_PARAMS_UNION);

std::vector<uint8_t>& Sized(std::vector<uint8_t>& block, size_t size) {
    block.resize(size);
    return block;
}

// Both copies of the common parameters and each half's own.
void SetControllerParams(Call& call) {
    const uint8_t* params = call.includeBytes();
    StorageSystem& pair = call.pair();
    std::memcpy(Sized(pair.settings.commonParams, kCommonSize).data(), params, kCommonSize);
    for (Controller& controller : pair.controllers) {
        const uint8_t* own =
            params + offsetof(CAPI_UNIFIED_PARAMS, controllers) + (controller.failoverId & 1) * kHalfSize;
        std::memcpy(Sized(controller.settings.params, kHalfSize).data(), own, kHalfSize);
    }
}

void SetTimeDate(Call& call) { call.pair().settings.timeDate = call.header().param1; }

void SilenceAlarm(Call& call) { ++call.pair().settings.alarmsSilenced; }

void RescanBus(Call& call) {
    call.SetReplyCode(kReplyRescanBus);
    call.pair().settings.rescannedChannels.push_back(call.header().address.channelIndex);
}

// The classic channel settings of a host channel of the half that received them.
void SetChannelParams(Call& call) {
    call.SetReplyCode(kReplySetChannelParams);
    const uint32_t channel = call.header().address.channelIndex;
    if (channel >= kHostChannels) return call.Fail(CAPI_ERROR_CHANNEL_NUM_OUT_OF_RANGE);
    CAPI_CHANNEL_PARAMS record;
    if (!call.Include(&record)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    std::vector<uint8_t>& own = Sized(call.pair().controllers[call.half()].settings.params, kHalfSize);
    uint8_t* unified = own.data() + kHostChannelParamsAt + channel * kChannelParamsSize;
    std::memcpy(unified, &record.busParams, kBusParamsSize);
    unified[offsetof(CAPI_UNIFIED_CHANNEL_PARAMS, reserved104)] = record.id;
    unified[offsetof(CAPI_UNIFIED_CHANNEL_PARAMS, disable)] = record.disable;
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_SET_CONTROLLER_PARAMS, "U_SET_CONTROLLER_PARAMS", kIncludeUnifiedParams, sizeof(CAPI_UNIFIED_PARAMS),
     true, Sequence::PairInParams23, SetControllerParams},
    {CAPI_COMMAND_U_SET_CONTROLLER_TIMEDATE, "U_SET_CONTROLLER_TIMEDATE", 0, 0, false, Sequence::PairInParams23,
     SetTimeDate},
    {CAPI_COMMAND_U_SILENCE_ALARM, "U_SILENCE_ALARM", 0, 0, false, Sequence::PairInParams23, SilenceAlarm},
    {CAPI_COMMAND_NON_U_RESCAN, "RESCAN", 0, 0, false, Sequence::None, RescanBus},
    {kCommandSetChannelParams, "SET_CHANNEL_PARAMS", kIncludeChannelParams, sizeof(CAPI_CHANNEL_PARAMS), true,
     Sequence::None, SetChannelParams},
    // clang-format on
};

}  // namespace

CommandFamily ControllerSettingsCommands() { return kRows; }

}  // namespace sim
