#include "corlink/handlers/controller_params_commands.h"

#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_discovery.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/controller_params_area.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

// SET_ADV_NET_INTERFACE: what to set.
constexpr uint32_t kSetSystemName = 1u << 0;
constexpr uint32_t kSetAddresses = 1u << 1;
constexpr size_t kAddressLength = 4;
// Where the settings go in the unified record: the system name and the DHCP switch in the first common
// parameter block, the addresses at the start of the half's own parameters.
constexpr size_t kSystemNameInCommon = 80;
constexpr size_t kSystemNameField = sizeof(CAPI_ADVANCED_NETWORK_INTERFACE::systemName);
constexpr size_t kDhcpInCommon = 504;
constexpr size_t kAddressesInHalf[3] = {0, 4, 8};  // default address, mask, gateway
static_assert(kSystemNameInCommon + kSystemNameField <= kDhcpInCommon);

constexpr int kPartnerPasses = 3;
constexpr int32_t kPartnerPauseSeconds = 15;

uint8_t* CommonParamsBytes() { return reinterpret_cast<uint8_t*>(&g_UnifiedControllerBuffer.common.params1); }

// Reads the controller's unified record; refuses the command when it cannot be read.
bool ReadUnifiedRecord(CommandContext& c) {
    if (RequestUnifiedControllerData(c.index) == 0) return FindCommandControllerAgain(c);
    c.refusal = RRE_ERROR_NO_CONTROLLER;
    return false;
}

// The request's system name, at most 79 characters, padded with NULs to the field.
void PutSystemName(const CAPI_ADVANCED_NETWORK_INTERFACE& request) {
    uint8_t* field = CommonParamsBytes() + kSystemNameInCommon;
    std::memset(field, 0, kSystemNameField);
    std::memcpy(field, request.systemName, strnlen(request.systemName, kSystemNameField - 1));
}

void PutAddresses(const CAPI_ADVANCED_NETWORK_INTERFACE& request, uint8_t ab) {
    if (request.dhcpEnable == 1) {
        auto* half = reinterpret_cast<uint8_t*>(&g_UnifiedControllerBuffer.controllers[ab & 1].params1);
        const uint8_t* addresses[3] = {request.netIf.defaultIp, request.netIf.defaultMask,
                                       request.netIf.gateway};
        for (size_t i = 0; i < 3; ++i) std::memcpy(half + kAddressesInHalf[i], addresses[i], kAddressLength);
    }
    CommonParamsBytes()[kDhcpInCommon] = request.dhcpEnable;
}

int32_t RunSetAdvNetInterface(CommandContext& c) {
    if (!ReadUnifiedRecord(c)) return -1;
    const auto* buffer = rre_wire::BufferAs<RRE_ADV_NET_INTERFACE_BUFFER>(c.buffer);
    const uint32_t what = buffer->what;
    const CAPI_ADVANCED_NETWORK_INTERFACE& request = buffer->networkInterface;
    if ((what & kSetSystemName) != 0) PutSystemName(request);
    if ((what & kSetAddresses) != 0) PutAddresses(request, c.ab);
    const int32_t code = CAPI_U_SetControllerParams(ControllerHandleOf(c.index), &FillControllerParamsArea());
    c.index = FindControllerAgain(c.identity);
    if (c.index >= 0) UpdateControllerAndPartner(c.index);
    return code;
}

// Of a pair whose entries use two paths, the one whose path no longer answers becomes a placeholder of the
// other; both failing, the check is tried again after a pause.
void CheckPartnerPaths(int32_t index) {
    const int32_t partner = FindPartnerController(index);
    if (partner < 0 || ControllerHandleOf(partner) == ControllerHandleOf(index)) return;
    for (int pass = 0; pass < kPartnerPasses; ++pass) {
        g_CurrentController = index;
        const int32_t own = CAPI_U_GetConfigSequenceNumber(ControllerHandleOf(index));
        g_CurrentController = partner;
        const int32_t mate = CAPI_U_GetConfigSequenceNumber(ControllerHandleOf(partner));
        if (own == 0 && mate == 0) return;
        if (own == 0) return SetPartner(partner, index);
        if (mate == 0) return SetPartner(index, partner);
        os_SleepSeconds(kPartnerPauseSeconds);
    }
}

// A refused set counts as done only when the controller reports the requested flags already.
int32_t RunSetEnclosureFeatureFlags(CommandContext& c) {
    if (!ReadUnifiedRecord(c)) return -1;
    const uint32_t flags = rre_wire::BufferAs<RRE_FEATURE_FLAGS_BUFFER>(c.buffer)->flags;
    CAPI_UNIFIED_PARAMS& area = FillControllerParamsArea();
    area.common.value2068 = flags;
    int32_t code = CAPI_U_SetControllerParams(ControllerHandleOf(c.index), &area);
    if (code != 0 && RequestUnifiedControllerData(c.index) == 0 &&
        g_UnifiedControllerBuffer.common.params1.value2068 == flags) {
        DebugPrint("capiSetEnclosureFeatureFlags: the controller reports the flags 0x%x already\n", flags);
        code = 0;
    }
    if (!FindCommandControllerAgain(c)) return code;
    CheckPartnerPaths(c.index);
    return code;
}

}  // namespace

const FramedCommand kSetAdvNetInterface{Lookup::RealController, FirstRead::None, true,   nullptr,
                                        RunSetAdvNetInterface,  false,           nullptr};
const FramedCommand kSetEnclosureFeatureFlags{
    Lookup::ClientId, FirstRead::None, true, nullptr, RunSetEnclosureFeatureFlags, true, nullptr};
