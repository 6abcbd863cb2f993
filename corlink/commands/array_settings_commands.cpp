#include "corlink/commands/array_settings_commands.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi/capi_array.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/array_lookup.h"
#include "corlink/commands/array_partitions.h"
#include "corlink/commands/authentication.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/controller_refresh.h"
#include "corlink/commands/executor_state.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"

namespace {

// Request layouts.
constexpr uint32_t kSerialAt16 = 16;      // the object's 32-byte serial in most of these requests
constexpr uint32_t kNameAt = 48;          // SET_PART_NAME, SET_ARRAY_NAME: the new name
constexpr uint32_t kOwnerSerialAt = 12;   // SET_PREFERRED_OWNER
constexpr uint32_t kByte12 = 12;          // CHANGE_PART_LUN: the LUN; VERIFY_ARRAY: must be non-zero
constexpr uint32_t kParamsAt = 16;        // EXPAND_PART, CHANGE_PARTITION_DESCRIPTION: a partition parameter record
constexpr uint32_t kListAt = 16;          // GET_ARRAY_LIST, GET_ARRAY_PARTITION: the records
constexpr uint32_t kListCountAt = 12;
constexpr uint32_t kCapabilities3ManyPartitions = 0x8000;

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }
const uint8_t* At(const CommandContext& c, uint32_t offset) { return c.buffer + offset; }

CAPI_ARRAY_PARTITION_PARAMS* ParamsOf(const CommandContext& c) {
    return reinterpret_cast<CAPI_ARRAY_PARTITION_PARAMS*>(c.buffer + kParamsAt);
}

void PutU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

int32_t RunSetPartName(CommandContext& c) {
    return CAPI_U_ChangeArrayPartitionName(HandleOf(c), At(c, kSerialAt16), BoundedName(At(c, kNameAt)).text);
}

int32_t RunSetArrayName(CommandContext& c) {
    return CAPI_U_ChangeArrayName(HandleOf(c), At(c, kSerialAt16), BoundedName(At(c, kNameAt)).text);
}

int32_t RunExpandPart(CommandContext& c) {
    CAPI_ARRAY_PARTITION_PARAMS* params = ParamsOf(c);
    return CAPI_U_ChangeArrayPartitionGeometry(HandleOf(c), params->partitionSerialNumber, params);
}

int32_t RunChangePartLun(CommandContext& c) {
    return CAPI_U_ChangeArrayPartitionLunEx(HandleOf(c), At(c, kSerialAt16), c.buffer[kByte12]);
}

uint32_t CheckVerifyArray(const CommandContext& c) { return c.buffer[kByte12] == 0 ? RRE_ERROR_NO_CONTROLLER : 0; }

int32_t RunVerifyArray(CommandContext& c) { return CAPI_U_VerifyArray(HandleOf(c), At(c, kSerialAt16)); }

// The partner's view of the array's ownership changed too.
int32_t RunSetPreferredOwner(CommandContext& c) {
    const int32_t code = CAPI_U_SetPreferredOwner(HandleOf(c), At(c, kOwnerSerialAt));
    RefreshController(c.index);
    const int32_t partner = FindPartnerController(c.index);
    if (partner >= 0) UpdateController(partner);
    return code;
}

int32_t RunReviveArray(CommandContext& c) { return CAPI_U_DequarantineArray(HandleOf(c), At(c, kSerialAt16)); }

int32_t RunChangePartitionDescription(CommandContext& c) {
    CAPI_ARRAY_PARTITION_PARAMS* params = ParamsOf(c);
    if (params->descriptionLength > sizeof params->description) params->descriptionLength = sizeof params->description;
    return CAPI_U_ChangePartitionDescription(HandleOf(c), params);
}

// The entry's arrays as CAPI_ARRAY records; bytes 8-11 are reserved and answered 0.
int32_t RunGetArrayList(CommandContext& c) {
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(c.index)];
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    std::memcpy(c.buffer + kListAt, entry.arrays, count * sizeof(CAPI_ARRAY));
    PutU32(c.buffer + 8, 0);
    PutU32(c.buffer + kListCountAt, count);
    c.replyLength = static_cast<int32_t>(kListAt + count * sizeof(CAPI_ARRAY));
    // A list the controller could not confirm is answered with the refresh's failure, never as current.
    return c.firstRead;
}

}  // namespace

const FramedCommand kGetArrayList{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetArrayList, false,
                                  " %s\n"};
const FramedCommand kSetPartName{Lookup::RealController, FirstRead::Refresh, true, nullptr, RunSetPartName, true,
                                 " to %s!\n"};
const FramedCommand kSetArrayName{Lookup::RealController, FirstRead::Refresh, true, nullptr, RunSetArrayName, true,
                                  " to %s!\n"};
const FramedCommand kExpandPart{Lookup::RealController, FirstRead::Refresh, true, nullptr, RunExpandPart, true,
                                nullptr};
const FramedCommand kChangePartLun{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunChangePartLun, true,
                                   nullptr};
const FramedCommand kVerifyArray{Lookup::ClientId, FirstRead::Refresh, true, CheckVerifyArray, RunVerifyArray, true,
                                 nullptr};
const FramedCommand kSetPreferredOwner{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunSetPreferredOwner,
                                       false, nullptr};
const FramedCommand kReviveArray{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunReviveArray, true, nullptr};
const FramedCommand kChangePartitionDescription{Lookup::ClientId, FirstRead::Refresh, true, nullptr,
                                                RunChangePartitionDescription, true, nullptr};

// Every stored partition record of every array, as many as the caller's buffer holds; a list cut short is
// answered code -1 so that the client can tell.
void capiGetArrayPartition(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    uint32_t id = 0;
    std::memcpy(&id, pRre->Buffer, sizeof id);
    const int32_t index = FindControllerByClientId(os_ntohl(id));
    if (index < 0 || (pRre->Trusted == 0 && IsControllerAuthorized(index) == 0)) {
        return RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
    }
    g_CurrentController = index;
    const int refreshed = RefreshController(index);
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
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
            const CAPI_ARRAY_PARTITION* record = gCapiArrayPartitions.Find(static_cast<uint32_t>(index), a, p);
            if (record == nullptr) {
                DebugPrint("capiGetArrayPartition skipping null partition pointer at C[%d]A[%d]P[%d]\n", index, a, p);
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
    const uint32_t words[2] = {os_htonl(static_cast<uint32_t>(index)), os_htonl(n)};
    std::memcpy(pRre->Buffer + 8, words, sizeof words);
    // A list cut short, or one the controller could not confirm (the refresh failed), is not answered as
    // the whole current truth.
    const uint32_t code = cut ? 0xFFFFFFFFu : static_cast<uint32_t>(refreshed);
    RreWriteHead(pRre, 0, code);
    pRre->ReplyLength = static_cast<int32_t>(kListAt + n * sizeof(CAPI_ARRAY_PARTITION));
    DebugPrint("capicmd==>>capiGetArrayPartition %s\n", code != 0 ? "failed" : "success");
}
