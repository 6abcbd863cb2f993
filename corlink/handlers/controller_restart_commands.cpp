#include "corlink/handlers/controller_restart_commands.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

constexpr uint8_t kBothHalves = 2;
constexpr int32_t kRebootLimitSeconds = 300;
constexpr int32_t kRediscoveryPauseSeconds = 60;
constexpr int32_t kPartnerPauseSeconds = 10;
constexpr int32_t kShutdownPauseSeconds = 10;
constexpr uint32_t kStateByte = 321;
constexpr int32_t kRebootTimedOut = 10004;
constexpr size_t kSerialText = sizeof(CAPI_CONTROLLER::serialNumber);

uint8_t StateOfHalf(uint32_t half) {
    return reinterpret_cast<const uint8_t*>(&g_UnifiedControllerBuffer.controllers[half & 1])[kStateByte];
}

// One pass of the wait in which the path to the controller went away with it: its path marked dead, a full
// rediscovery, then the controller found by its serial (and for both halves, both operating). The entry
// found, or -1.
int32_t RediscoverPass(const CommandContext& c, const char* serial, uint8_t which) {
    os_SleepSeconds(kRediscoveryPauseSeconds);
    const int32_t index = FindControllerAgain(c.identity);
    if (index >= 0) SetResponds(ControllerHandleOf(index), 0);
    CAPI_Initialize_Main();
    const int32_t found = FindControllerBySerialText(serial);
    if (found < 0) return -1;
    if (found != index)
        DebugPrint("ERROR: assertion failed! (controllerX == controller) at %s line %d\n", __FILE__,
                   __LINE__);
    if (which == kBothHalves &&
        (RequestUnifiedControllerData(found) != 0 || StateOfHalf(0) != 0 || StateOfHalf(1) != 0)) {
        return -1;
    }
    return found;
}

// One pass of the wait in which only the partner restarts: its state byte read through the controller.
int32_t PartnerPass(const CommandContext& c, uint8_t which) {
    os_SleepSeconds(kPartnerPauseSeconds);
    const int32_t index = FindControllerAgain(c.identity);
    if (index < 0 || RequestUnifiedControllerData(index) != 0 || StateOfHalf(which) != 0) return -1;
    return index;
}

// The controller answers and has reported its configuration sequence number since the restart.
bool AnswersAgain(int32_t found) {
    g_CurrentController = found;
    return CAPI_U_GetConfigSequenceNumber(ControllerHandleOf(found)) == 0 &&
           g_ControllerDb[static_cast<uint32_t>(found)].lastConfigSequenceNumber != -1;
}

int32_t RunRebootController(CommandContext& c) {
    char serial[kSerialText + 1] = {};
    std::memcpy(serial, g_ControllerDb[static_cast<uint32_t>(c.index)].controller.serialNumber, kSerialText);
    const uint8_t which = rre_wire::BufferAs<RRE_REBOOT_BUFFER>(c.buffer)->which;
    const CAPI_HANDLE handle = ControllerHandleOf(c.index);
    const int32_t shutDown = CAPI_U_ShutDownController(handle, which, 0);
    DebugPrint("CAPI_U_ShutDownController %d AB=%d hRes=%d!\n", c.index, which, shutDown);
    const int32_t rebooted = CAPI_U_RebootController(handle, which);
    DebugPrint("CAPI_U_RebootController %d AB=%d hRes=%d!\n", c.index, which, rebooted);
    // Until the controller reports its number again; the sends may have moved its entry.
    const int32_t now = FindControllerAgain(c.identity);
    if (now >= 0) g_ControllerDb[static_cast<uint32_t>(now)].lastConfigSequenceNumber = -1;

    const bool pathRestarts = which == kBothHalves || which == c.ab;
    int32_t found = -1;
    for (int32_t elapsed = 0; elapsed < kRebootLimitSeconds;) {
        elapsed += pathRestarts ? kRediscoveryPauseSeconds : kPartnerPauseSeconds;
        found = pathRestarts ? RediscoverPass(c, serial, which) : PartnerPass(c, which);
        if (found >= 0 && AnswersAgain(found)) break;
        found = -1;
    }
    int32_t code = 0;
    if (found >= 0) {
        UpdateController(found);
        const int32_t current = FindControllerBySerialText(serial);
        if (current >= 0) found = current;
        rre_wire::BufferAs<RRE_REBOOT_BUFFER>(c.buffer)->controllerId = GetClientControllerId(found);
    } else {
        CAPI_Initialize_Main();
        code = kRebootTimedOut;
    }
    DebugPrint("controllerX %d %x!\n", found, GetClientControllerId(found));
    c.index = found;
    return code;
}

// The controller is updated after the rediscovery where it is then, or not at all when it is gone.
int32_t RunShutdownController(CommandContext& c) {
    const auto* request = rre_wire::BufferAs<RRE_SHUTDOWN_BUFFER>(c.buffer);
    const int32_t code =
        CAPI_U_ShutDownController(ControllerHandleOf(c.index), request->which, request->param2);
    os_SleepSeconds(kShutdownPauseSeconds);
    CAPI_Initialize_Main();
    c.index = FindControllerAgain(c.identity);
    if (c.index >= 0) {
        UpdateControllerAndPartner(c.index);
    } else {
        DebugPrint("capiShutdownController: the controller is gone after the rediscovery\n");
    }
    return code;
}

}  // namespace

const FramedCommand kRebootController{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunRebootController, false, nullptr};
const FramedCommand kShutdownController{
    Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunShutdownController, false, nullptr};
