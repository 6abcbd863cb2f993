#include "corlink/handlers/controller_settings_commands.h"

#include <cstring>

#include "corlink/capi/wrappers_classic.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kObjectIdLength = 32;  // the enclosure's id: the first bytes of its parameters
constexpr uint32_t kChangeRefusedByte = 321;
constexpr uint8_t kStateUnknown = 4;  // GET_CONTROLLER_STATUS when the controller cannot be read
constexpr uint32_t kRescannedChannels = 2;

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }
RAID_CONTROLLER& EntryOf(const CommandContext& c) { return g_ControllerDb[static_cast<uint32_t>(c.index)]; }

int32_t RunSilenceAlarm(CommandContext& c) { return CAPI_U_SilenceAlarm(HandleOf(c)); }

int32_t RunSetChannelParam(CommandContext& c) {
    auto* request = BufferAs<RRE_CHANNEL_PARAM_BUFFER>(c.buffer);
    return CAPI_SetChannelParams(HandleOf(c), request->param1, request->channel, &request->params);
}

// The enclosure's id is the first 32 bytes of the parameters, which the wrapper writes into them again.
int32_t RunSetDriveEnclosure(CommandContext& c) {
    auto* request = BufferAs<RRE_DRIVE_ENCLOSURE_BUFFER>(c.buffer);
    uint8_t id[kObjectIdLength];
    std::memcpy(id, &request->params, sizeof id);
    return CAPI_U_SetDriveEnclosureParams(HandleOf(c), id, &request->params);
}

int32_t RunSetControllerTimeDate(CommandContext& c) {
    const int32_t code =
        CAPI_U_SetControllerTimeDate(HandleOf(c), BufferAs<RRE_TIME_DATE_BUFFER>(c.buffer)->timeDate);
    UpdateController(c.index);
    return code;
}

// The stored time with the update's result as the code.
int32_t RunGetControllerTimeDate(CommandContext& c) {
    const int32_t updated = UpdateController(c.index);
    if (!FindCommandControllerAgain(c)) return -1;
    BufferAs<RRE_TIME_DATE_BUFFER>(c.buffer)->timeDate = EntryOf(c).controller.timeDate;
    return updated;
}

int32_t RunSetControllerParams(CommandContext& c) {
    return CAPI_U_SetControllerParams(HandleOf(c), &BufferAs<RRE_CONTROLLER_PARAMS_BUFFER>(c.buffer)->params);
}

// The state byte of the controller's own half of its own record, or 4 when it cannot be read.
int32_t RunGetControllerStatus(CommandContext& c) {
    const int updated = UpdateController(c.index);
    if (!FindCommandControllerAgain(c)) return -1;
    const auto* half = reinterpret_cast<const uint8_t*>(&EntryOf(c).unifiedController.controllers[c.ab & 1]);
    BufferAs<RRE_CONTROLLER_STATUS_BUFFER>(c.buffer)->state =
        updated == 0 ? half[kChangeRefusedByte] : kStateUnknown;
    return 0;
}

// Channels 0 and 1, each followed by a refresh; the results are not answered.
int32_t RunRescanAllBus(CommandContext& c) {
    for (uint32_t channel = 0; channel < kRescannedChannels; ++channel) {
        CAPI_RescanBus(HandleOf(c), channel);
        RefreshController(c.index);
        if (!FindCommandControllerAgain(c)) return -1;
    }
    return 0;
}

}  // namespace

const FramedCommand kSilenceAlarm{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunSilenceAlarm, true,
                                  nullptr};
const FramedCommand kSetChannelParam{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunSetChannelParam, true, nullptr};
const FramedCommand kSetDriveEnclosure{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetDriveEnclosure, true, nullptr};
const FramedCommand kSetControllerTimeDate{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetControllerTimeDate, false, nullptr};
const FramedCommand kGetControllerTimeDate{Lookup::ClientId,         FirstRead::None, false,  nullptr,
                                           RunGetControllerTimeDate, false,           nullptr};
const FramedCommand kSetControllerParams{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetControllerParams, true, nullptr};
const FramedCommand kGetControllerStatus{Lookup::RealController, FirstRead::None, false,  nullptr,
                                         RunGetControllerStatus, false,           " %s!n"};
const FramedCommand kRescanAllBus{
    Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunRescanAllBus, false, nullptr};
