#include "corlink/handlers/array_settings_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/authentication.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

constexpr uint32_t kCapabilities3ManyPartitions = 0x8000;

using rre_wire::BufferAs;

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }
const RRE_OBJECT_BUFFER& ObjectRequest(const CommandContext& c) {
    return *BufferAs<RRE_OBJECT_BUFFER>(c.buffer);
}
const RRE_SET_NAME_BUFFER& NameRequest(const CommandContext& c) {
    return *BufferAs<RRE_SET_NAME_BUFFER>(c.buffer);
}

int32_t RunSetPartName(CommandContext& c) {
    const RRE_SET_NAME_BUFFER& request = NameRequest(c);
    return CAPI_U_ChangeArrayPartitionName(HandleOf(c), request.serialNumber,
                                           BoundedName(reinterpret_cast<const uint8_t*>(request.name)).text);
}

int32_t RunSetArrayName(CommandContext& c) {
    const RRE_SET_NAME_BUFFER& request = NameRequest(c);
    return CAPI_U_ChangeArrayName(HandleOf(c), request.serialNumber,
                                  BoundedName(reinterpret_cast<const uint8_t*>(request.name)).text);
}

int32_t RunExpandPart(CommandContext& c) {
    CAPI_ARRAY_PARTITION_PARAMS* params = &BufferAs<RRE_EXPAND_PART_BUFFER>(c.buffer)->params;
    return CAPI_U_ChangeArrayPartitionGeometry(HandleOf(c), params->partitionSerialNumber, params);
}

int32_t RunChangePartLun(CommandContext& c) {
    const RRE_OBJECT_BUFFER& request = ObjectRequest(c);
    return CAPI_U_ChangeArrayPartitionLunEx(HandleOf(c), request.serialNumber, request.option);
}

uint32_t CheckVerifyArray(const CommandContext& c) {
    return ObjectRequest(c).option == 0 ? RRE_ERROR_NO_CONTROLLER : 0;
}

int32_t RunVerifyArray(CommandContext& c) {
    return CAPI_U_VerifyArray(HandleOf(c), ObjectRequest(c).serialNumber);
}

// The partner's view of the array's ownership changed too.
int32_t RunSetPreferredOwner(CommandContext& c) {
    const int32_t code =
        CAPI_U_SetPreferredOwner(HandleOf(c), BufferAs<RRE_PREFERRED_OWNER_BUFFER>(c.buffer)->serialNumber);
    RefreshController(c.index);
    const int32_t partner = FindPartnerController(c.index);
    if (partner >= 0) UpdateController(partner);
    return code;
}

int32_t RunReviveArray(CommandContext& c) {
    return CAPI_U_DequarantineArray(HandleOf(c), ObjectRequest(c).serialNumber);
}

int32_t RunChangePartitionDescription(CommandContext& c) {
    CAPI_ARRAY_PARTITION_PARAMS* params = &BufferAs<RRE_DESCRIPTION_BUFFER>(c.buffer)->params;
    if (params->descriptionLength > sizeof params->description)
        params->descriptionLength = sizeof params->description;
    return CAPI_U_ChangePartitionDescription(HandleOf(c), params);
}

// The entry's arrays as CAPI_ARRAY records; bytes 8-11 are reserved and answered 0.
int32_t RunGetArrayList(CommandContext& c) {
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(c.index)];
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    auto* reply = BufferAs<RRE_ARRAY_LIST_BUFFER>(c.buffer);
    std::memcpy(reply->arrays, entry.arrays, count * sizeof(CAPI_ARRAY));
    reply->reserved8 = 0;
    reply->arrayCount = count;
    c.replyLength =
        static_cast<int32_t>(offsetof(RRE_ARRAY_LIST_BUFFER, arrays) + count * sizeof(CAPI_ARRAY));
    // A list the controller could not confirm is answered with the refresh's failure, never as current.
    return c.firstRead;
}

}  // namespace

const FramedCommand kGetArrayList{
    Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetArrayList, false, " %s\n"};
const FramedCommand kSetPartName{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunSetPartName, true, " to %s!\n"};
const FramedCommand kSetArrayName{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunSetArrayName, true, " to %s!\n"};
const FramedCommand kExpandPart{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunExpandPart, true, nullptr};
const FramedCommand kChangePartLun{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunChangePartLun, true, nullptr};
const FramedCommand kVerifyArray{
    Lookup::ClientId, FirstRead::Refresh, true, CheckVerifyArray, RunVerifyArray, true, nullptr};
const FramedCommand kSetPreferredOwner{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetPreferredOwner, false, nullptr};
const FramedCommand kReviveArray{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunReviveArray, true,
                                 nullptr};
const FramedCommand kChangePartitionDescription{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunChangePartitionDescription, true, nullptr};

// Every stored partition record of every array, as many as the caller's buffer holds; a list cut short is
// answered code -1 so that the client can tell.
void capiGetArrayPartition(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    const int32_t index =
        FindControllerByClientId(os_ntohl(BufferAs<RRE_CONTROLLER_ID_REQUEST>(pRre->Buffer)->controllerId));
    if (index < 0 || (pRre->Trusted == 0 && IsControllerAuthorized(index) == 0)) {
        return RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
    }
    g_CurrentController = index;
    const int refreshed = RefreshController(index);
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    constexpr uint32_t kListAt = offsetof(RRE_PARTITION_LIST_BUFFER, partitions);
    const uint32_t capacity = (pRre->BufferSize - kListAt) / sizeof(CAPI_ARRAY_PARTITION);
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    uint32_t n = 0;
    bool cut = false;
    for (uint32_t a = 0; a < arrays && !cut; ++a) {
        const CAPI_ARRAY& array = entry.arrays[a];
        DebugPrint("capiGetArrayPartition: numArrayPartitions=%u largeNumArrayPartitions=%u cap=%u\n",
                   array.numArrayPartitions, array.largeNumArrayPartitions,
                   (entry.controller.capabilities3 & kCapabilities3ManyPartitions) != 0 ? 1u : 0u);
        for (uint32_t p = 0; p < array.largeNumArrayPartitions; ++p) {
            const CAPI_ARRAY_PARTITION* record =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(index), a, p);
            if (record == nullptr) {
                DebugPrint("capiGetArrayPartition skipping null partition pointer at C[%d]A[%d]P[%d]\n",
                           index, a, p);
                continue;
            }
            if (n == capacity) {
                cut = true;
                break;
            }
            std::memcpy(pRre->Buffer + kListAt + n * sizeof(CAPI_ARRAY_PARTITION), record, sizeof *record);
            ++n;
        }
    }
    auto* reply = BufferAs<RRE_PARTITION_LIST_BUFFER>(pRre->Buffer);
    reply->controllerIndex = os_htonl(static_cast<uint32_t>(index));
    reply->partitionCount = os_htonl(n);
    // A list cut short, or one the controller could not confirm (the refresh failed), is not answered as
    // the whole current truth.
    const uint32_t code = cut ? 0xFFFFFFFFu : static_cast<uint32_t>(refreshed);
    RreWriteHead(pRre, 0, code);
    pRre->ReplyLength = static_cast<int32_t>(kListAt + n * sizeof(CAPI_ARRAY_PARTITION));
    DebugPrint("capicmd==>>capiGetArrayPartition %s\n", code != 0 ? "failed" : "success");
}
