#include "corlink/handlers/custom_view_command.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/database/partition_view_cache.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/controller_kinds.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/handlers/custom_view_record.h"

namespace {

constexpr int32_t kMapRetrySeconds = 3;

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }

HostInterfaceKind KindOf(int32_t index) {
    HostInterfaceKind kind;
    kind.fc = IsFCHIM(index);
    kind.sas = IsSASHIM(index);
    kind.iscsi = IsiSCSIHIM(index);
    kind.hybrid = IsHybrid(index);
    kind.channels = std::min(Entry(index).controller.numHostChannels, CUSTOM_VIEW_CHANNELS);
    return kind;
}

// The partition's view into the entry, waited for (at most 60 s); false when no view was stored.
bool ReadViewForMapping(int32_t index, const uint8_t* serial, int32_t* code) {
    RAID_CONTROLLER& entry = Entry(index);
    entry.updateStatus = UPDATE_STATUS_PENDING;
    std::memset(&entry.partitionView, 0, sizeof entry.partitionView);
    const int32_t result = CAPI_U_GetPartitionView(entry.controllerHandle, serial);
    const int wait = WaitForUpdate(result, index);
    if (wait == UPDATE_WAIT_STORED) return true;
    *code = result != 0 ? result : -1;
    return false;
}

void LogMapRequest(const CAPI_MAP_UNMAP_PARAMS& record) {
    const uint8_t* s = record.partitionSerialNumber;
    const uint8_t* w = record.flexId.FCPortWWN;
    const uint8_t* f = record.mapping.flags;
    DebugPrint("Map request:\n");
    DebugPrint("    partSN: %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X\n", s[0], s[1],
               s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]);
    DebugPrint("     flags: 0x%x\n", record.value76);
    DebugPrint("       iqn: %.223s\n", InitiatorNameOf(record));
    DebugPrint("       wwn: %02X%02X%02X%02X%02X%02X%02X%02X\n", w[0], w[1], w[2], w[3], w[4], w[5], w[6],
               w[7]);
    DebugPrint("    flexid: type %d deviceId 0x%x chIndex %d unitNum %d\n", record.flexId.type,
               record.flexId.deviceId, record.flexId.channelIndex, record.flexId.unitNum);
    DebugPrint("       map: hlun %d flags %x %x %x %x %x %x %x %x\n", record.mapping.hlun, f[0], f[1], f[2],
               f[3], f[4], f[5], f[6], f[7]);
}

// Sends the record, and once more after the flex host list and 3 s when the controller refused it.
int32_t SendMapRecord(int32_t index, uint8_t ab, const CAPI_MAP_UNMAP_PARAMS& record) {
    const CAPI_HANDLE handle = Entry(index).controllerHandle;
    int32_t code = CAPI_U_MapUnmapPartition(handle, &record);
    if (code == 0) return 0;
    DebugPrint("Map request failed with hr=0x%x, retrying\n", static_cast<uint32_t>(code));
    CAPI_U_GetFlexHostList(handle, ab);
    os_SleepSeconds(kMapRetrySeconds);
    return CAPI_U_MapUnmapPartition(handle, &record);
}

enum class Step : uint8_t { Sent, Refused, Ended };

// One mapping request: its controller looked up and authorised, its view read, its flags merged and
// checked, the record sent. Ended: the command ends with *code (a host the controller cannot have, a failed
// view read, conflicting flags); later requests are not carried out.
Step CarryOutMapping(CommandContext& c, const RRE_CUSTOM_VIEW_REQUEST& request,
                     CAPI_PARTITION_VIEW_TABLE& view, CAPI_MAP_UNMAP_PARAMS& record, int32_t* code) {
    uint8_t ab = 0;
    int32_t index = FindRealControllerByClientId(request.controllerId, &ab);
    if (index < 0 || (c.rre->Trusted == 0 && IsControllerAuthorized(index) == 0)) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return Step::Refused;
    }
    if (IsConfigChangeRefused(index) != 0) {
        c.refusal = RRE_ERROR_CHANGE_REFUSED;
        return Step::Refused;
    }
    g_CurrentController = index;
    const ControllerIdentity identity = IdentityOf(index, true);
    auto again = [&] {
        index = FindControllerAgain(identity);
        if (index < 0) c.refusal = RRE_ERROR_NO_CONTROLLER;
        return index >= 0;
    };

    std::memset(&record, 0, sizeof record);
    const HostInterfaceKind kind = KindOf(index);
    if (!NamesAHostTheControllerCanHave(request, kind)) {
        DebugPrint("capiCreateCustomView: an iSCSI initiator named to a controller without iSCSI ports\n");
        *code = -1;
        return Step::Ended;
    }
    FillMapRecord(record, request, kind);
    const bool read = ReadViewForMapping(index, request.serialNumber, code);
    if (!again()) return Step::Refused;
    if (!read) return Step::Ended;
    ClearAbsentChannelFlags(index);
    std::memcpy(&view, &Entry(index).partitionView, sizeof view);
    MergeChannelFlags(record, request.keepMarkers, view, kind);
    DebugPrint("IsFCHIM %d IsiSCSIHIM %d sSASHIM %d IsHybrid %d\n", kind.fc, kind.iscsi, kind.sas,
               kind.hybrid);
    bool readOnlySpread = false;
    if (!CheckChannelFlags(record, kind, &readOnlySpread)) {
        *code = -1;
        return Step::Ended;
    }
    if (readOnlySpread) DebugPrint("capiCreateCustomView set readonly flag for all channels!\n");

    RefreshController(index);
    if (!again()) return Step::Refused;
    LogMapRequest(record);
    *code = SendMapRecord(index, ab, record);
    if (!again()) return Step::Refused;
    RefreshController(index);
    if (!again()) return Step::Refused;
    DropPartViewCache(Entry(index));
    return Step::Sent;
}

// Each mapping request carries its own controller id; a refusal ends the command even after mappings
// were sent. A count above 128 is answered -1 with nothing sent.
int32_t RunCreateCustomView(CommandContext& c) {
    const auto* buffer = rre_wire::BufferAs<RRE_CUSTOM_VIEW_BUFFER>(c.buffer);
    const uint32_t count = buffer->requestCount;
    if (count > CUSTOM_VIEW_MAX_REQUESTS) {
        DebugPrint("capiCreateCustomView: %u mapping requests, at most %u\n", count,
                   CUSTOM_VIEW_MAX_REQUESTS);
        return -1;
    }
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    CAPI_MAP_UNMAP_PARAMS record;
    std::memset(&record, 0, sizeof record);
    int32_t code = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const Step step = CarryOutMapping(c, buffer->requests[i], *view, record, &code);
        if (step == Step::Refused) return code;
        if (step == Step::Ended) break;
    }
    DebugPrint("capicmd==>>capiCreateCustomView lun=%d flags=%02x %02x!\n", record.mapping.hlun,
               record.mapping.flags[0], record.mapping.flags[1]);
    return code;
}

}  // namespace

const FramedCommand kCreateCustomView{Lookup::None,        FirstRead::None, false,  nullptr,
                                      RunCreateCustomView, false,           nullptr};
