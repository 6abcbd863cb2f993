#include "corlink/handlers/array_creation_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/assertion.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/handlers/drive_maintenance.h"
#include "corlink/proxy_wire/buffers_arrays.h"

namespace {

using CreateParams = CAPI_UNIFIED_CREATE_ARRAY_PARAMS;

constexpr uint32_t kDriveSlots = 68;  // identifier slots and drive locations of the create parameters
constexpr uint32_t kSearchAttempts = 10;
constexpr int32_t kSearchPauseSeconds = 2;
constexpr int32_t kCreateRetrySeconds = 10;
constexpr uint32_t kCapabilities3AllArrays = 0x2000;  // new partitions may appear on any array
constexpr uint32_t kChangeRefusedByte = 321;          // of a controller half of the unified record
constexpr uint8_t kCreatedByProxy = 3;                // parameter byte 576
constexpr uint32_t kExpandSerialTo = 688;             // where the array serial goes in the create parameters
static_assert(kDriveSlots == RRE_EXPAND_MAX_DRIVES);

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }

using rre_wire::BufferAs;

uint64_t ValueOf(const CAPI_U64& value) { return (uint64_t{value.longs[1]} << 32) | value.longs[0]; }

uint32_t DriveIdentifiers(const CreateParams& params) {
    return params.createArrayParams.numMemberDriveIds + params.createArrayParams.numFurtherDriveIds;
}

// Up to 10 searches, 2 s apart: the first after a full read of the controller, the others after a refresh
// that succeeded; none once the controller has gone from the database.
template <class Search>
bool SearchAfterChange(int32_t index, Search search) {
    TrackedController c(index);
    for (uint32_t attempt = 0; attempt < kSearchAttempts && !c.lost(); ++attempt) {
        os_SleepSeconds(kSearchPauseSeconds);
        if (attempt == 0) {
            if (!c.Update()) break;
        } else if (!c.Refresh()) {
            continue;
        }
        if (search(c.index())) return true;
    }
    return false;
}

bool SearchPartitions(int32_t index, const uint8_t* arraySerial, const char* name,
                      CAPI_ARRAY_PARTITION* out) {
    const RAID_CONTROLLER& entry = Entry(index);
    const bool everyArray = (entry.controller.capabilities3 & kCapabilities3AllArrays) != 0;
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        if (!everyArray && std::memcmp(entry.arrays[a].serialNumber, arraySerial, kObjectSerialSize) != 0)
            continue;
        UpdateArrayPartition(index, static_cast<int32_t>(a));
        for (uint32_t p = 0; p < Entry(index).arrays[a].largeNumArrayPartitions; ++p) {
            const CAPI_ARRAY_PARTITION* record =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(index), a, p);
            OS_ASSERT_TEXT(record != nullptr, "gCapiArrayPartitions[controller][i][n]");
            if (record == nullptr || std::strncmp(record->name, name, sizeof record->name) != 0) continue;
            std::memcpy(out, record, sizeof *out);
            return true;
        }
    }
    return false;
}

bool SearchNewArray(int32_t index, const CreateParams& params, CAPI_ARRAY* out) {
    const RAID_CONTROLLER& entry = Entry(index);
    const uint32_t members = std::min(params.createArrayParams.numMemberDriveIds, kDriveSlots);
    for (uint32_t k = 0; k < DriveCount(index); ++k) {
        const CAPI_DRIVE& drive = DriveAt(index, k);
        if (drive.howUsed != DRIVE_USED_AS_MEMBER ||
            drive.containerIndex >= entry.controller.raid.numArrays ||
            drive.containerIndex >= RAID_CONTROLLER_MAX_ARRAYS) {
            continue;
        }
        for (uint32_t i = 0; i < members; ++i) {
            if (std::memcmp(DriveWwn(drive), params.driveIds[i], kDriveWwnSize) != 0) continue;
            const CAPI_ARRAY& array = entry.arrays[drive.containerIndex];
            std::memcpy(out, &array, sizeof *out);
            DebugPrint("found new vdisk, max new partition size is %llu\n",
                       static_cast<unsigned long long>(ValueOf(array.maxNewPartitionSize)));
            return true;
        }
    }
    return false;
}

// ---- ADD_ARRAY_PART

// The request's partition parameter goes to the parameters' bytes from 136 on.
std::unique_ptr<CAPI_ARRAY_PARTITION_PARAMS> PartitionParamsOf(const RRE_ADD_ARRAY_PART_BUFFER& request) {
    auto params = std::make_unique<CAPI_ARRAY_PARTITION_PARAMS>();
    auto* bytes = reinterpret_cast<uint8_t*>(params.get());
    std::memset(bytes, 0, sizeof *params);
    params->lun = static_cast<int32_t>(request.lun);
    params->size = request.size;
    params->specialClass = request.specialClass;
    params->specialType = request.specialType;
    params->isPaged = request.isPaged;
    std::memcpy(params->arraySerialNumber, request.arraySerialNumber, kObjectSerialSize);
    std::memcpy(params->partitionSerialNumber, request.partitionSerialNumber, kObjectSerialSize);
    std::memcpy(bytes + offsetof(CAPI_ARRAY_PARTITION_PARAMS, reserved136), request.partitionParameter,
                sizeof request.partitionParameter);
    std::memcpy(params->name, BoundedName(reinterpret_cast<const uint8_t*>(request.name)).text,
                sizeof params->name);
    DebugPrint("RequestPart.unitNum = %d\n", params->unitNum);
    return params;
}

int32_t RunAddArrayPart(CommandContext& c) {
    auto* request = BufferAs<RRE_ADD_ARRAY_PART_BUFFER>(c.buffer);
    const auto params = PartitionParamsOf(*request);
    const uint8_t* arraySerial = request->arraySerialNumber;
    const RAID_CONTROLLER& entry = Entry(c.index);
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) {
        if (std::memcmp(entry.arrays[a].serialNumber, arraySerial, kObjectSerialSize) == 0) {
            UpdateArrayPartition(c.index, static_cast<int32_t>(a));
        }
    }
    int32_t code = CAPI_U_AddArrayPartition(ControllerHandleOf(c.index), arraySerial, params.get());
    RefreshController(c.index);
    CAPI_ARRAY_PARTITION* reply = &request->partition;
    if (code == 0 || code == CAPI_ERROR_BAD_IDENTIFIER) {
        if (GetNewPartition(c.index, arraySerial, params->name, reply) != 0) code = 0;
    } else {
        std::memset(reply, 0, sizeof *reply);
    }
    return code;
}

// ---- CREATE_ARRAY

uint32_t CheckCreateArray(const CommandContext& c) {
    const auto* request = BufferAs<RRE_CREATE_ARRAY_BUFFER>(c.buffer);
    uint8_t ab = 0;
    if (FindRealControllerByClientId(request->controllerId, &ab) < 0) return RRE_ERROR_NO_CONTROLLER;
    const CreateParams* params = &request->params;
    // More drives than the parameters have slots for are refused before anything is sent.
    if (uint64_t{params->createArrayParams.numMemberDriveIds} + params->createArrayParams.numFurtherDriveIds >
        kDriveSlots) {
        return RRE_ERROR_BAD_DRIVE;
    }
    return 0;
}

// Whether the owner the request names refuses array creation, by the addressed controller's own record.
bool OwnerRefuses(int32_t index, uint8_t owner) {
    if (owner > 1) return false;
    const auto* half = reinterpret_cast<const uint8_t*>(&Entry(index).unifiedController.controllers[owner]);
    return half[kChangeRefusedByte] == 1;
}

// Writes each identifier's drive WWN into its slot, clearing leftover drives first; the number matched.
uint32_t ResolveDrives(int32_t index, const uint8_t* requestIds, CreateParams& params) {
    std::memset(params.driveIds, 0, kDriveSlots * sizeof params.driveIds[0]);
    const uint32_t wanted = DriveIdentifiers(params);
    uint32_t matched = 0;
    for (uint32_t i = 0; i < wanted; ++i) {
        const uint8_t* identifier = requestIds + i * kObjectSerialSize;
        for (uint32_t k = 0; k < DriveCount(index); ++k) {
            const CAPI_DRIVE drive = DriveAt(index, k);
            if (!IsSameDriveSerial(identifier, drive.serialNumber)) continue;
            std::memcpy(params.driveIds[i], DriveWwn(drive), kDriveWwnSize);
            if (drive.howUsed == DRIVE_LEFTOVER) ClearLeftoverDrive(index, drive);
            ++matched;
            break;
        }
    }
    return matched;
}

int32_t RunCreateArray(CommandContext& c) {
    auto* request = BufferAs<RRE_CREATE_ARRAY_BUFFER>(c.buffer);
    auto params = std::make_unique<CreateParams>();
    std::memcpy(params.get(), &request->params, sizeof *params);
    uint8_t ab = 0;
    FindRealControllerByClientId(request->controllerId, &ab);
    const uint8_t owner = params->createArrayParams.owner;
    if (owner > 1) params->createArrayParams.owner = ab;
    if (OwnerRefuses(c.index, owner)) {
        c.refusal = RRE_ERROR_OWNER_REFUSED;
        return -1;
    }
    int32_t index = c.index;
    if (ab != owner) {
        const int32_t partner = FindPartnerController(index);
        if (partner >= 0) index = partner;
    }
    UpdateController(index);
    const uint8_t* requestIds = request->params.driveIds[0];
    if (ResolveDrives(index, requestIds, *params) < DriveIdentifiers(*params)) {
        DebugPrint("capicmd==>>capiCreateArray bad identifiers passed");
        c.refusal = RRE_ERROR_BAD_DRIVE;
        return -1;
    }
    UpdateController(index);
    params->createArrayParams.value576 = kCreatedByProxy;
    int32_t code = CAPI_U_CreateArray(ControllerHandleOf(index), params.get());
    if (code == CAPI_ERROR_FAILURE_DUE_TO_CONFIG_CHANGE) {
        os_SleepSeconds(kCreateRetrySeconds);
        UpdateController(index);
        code = CAPI_U_CreateArray(ControllerHandleOf(index), params.get());
    }
    CAPI_ARRAY* reply = &request->array;
    if (code == 0 || code == CAPI_ERROR_BAD_IDENTIFIER) {
        int found = GetNewArray(index, *params, reply);
        const int32_t partner = FindPartnerController(index);
        if (found == 0 && partner >= 0) found = GetNewArray(partner, *params, reply);
        if (found != 0) code = 0;
    } else {
        std::memset(reply, 0, sizeof *reply);
    }
    return code;
}

// ---- EXPAND_ARRAY

uint32_t CheckExpandArray(const CommandContext& c) {
    return BufferAs<RRE_EXPAND_ARRAY_BUFFER>(c.buffer)->driveCount > kDriveSlots ? RRE_ERROR_BAD_DRIVE : 0;
}

// The array's serial goes to the create parameters' byte 688.
int32_t RunExpandArray(CommandContext& c) {
    const auto* request = BufferAs<RRE_EXPAND_ARRAY_BUFFER>(c.buffer);
    const uint32_t n = request->driveCount;
    auto params = std::make_unique<CreateParams>();
    auto* bytes = reinterpret_cast<uint8_t*>(params.get());
    std::memset(bytes, 0, sizeof *params);
    params->createArrayParams.numMemberDriveIds = n;
    std::memcpy(bytes + kExpandSerialTo, request->serialNumber, kObjectSerialSize);
    std::memcpy(params->createArrayParams.drives, request->drives, sizeof params->createArrayParams.drives);
    for (uint32_t i = 0; i < n; ++i) {
        const CAPI_DRIVE_LOCATION location = params->createArrayParams.drives[i];
        for (uint32_t k = 0; k < DriveCount(c.index); ++k) {
            const CAPI_DRIVE drive = DriveAt(c.index, k);
            if (drive.scsiId == static_cast<uint16_t>(location.driveIndex) &&
                drive.channel == static_cast<uint8_t>(location.channelIndex) &&
                drive.howUsed == DRIVE_LEFTOVER) {
                ClearLeftoverDrive(c.index, drive);
                break;
            }
        }
        std::memset(params->driveIds[i], 0, sizeof params->driveIds[i]);
        const CAPI_DRIVE* drive = FindDriveByLocation(c.index, location.channelIndex, location.driveIndex);
        if (drive == nullptr) {
            c.refusal = RRE_ERROR_BAD_DRIVE;
            return -1;
        }
        std::memcpy(params->driveIds[i], DriveWwn(*drive), kDriveWwnSize);
    }
    RefreshController(c.index);
    std::memset(params->createArrayParams.drives, 0, sizeof params->createArrayParams.drives);
    return CAPI_U_ExpandArray(ControllerHandleOf(c.index), params.get());
}

}  // namespace

int GetNewPartition(int32_t index, const uint8_t* arraySerial, const char* name, CAPI_ARRAY_PARTITION* out) {
    std::memset(out, 0, sizeof *out);
    if (SearchAfterChange(index, [&](int32_t now) { return SearchPartitions(now, arraySerial, name, out); }))
        return 1;
    DebugPrint("capicmd==>>GetNewPartition cannot find %s\n", name);
    return 0;
}

int GetNewArray(int32_t index, const CAPI_UNIFIED_CREATE_ARRAY_PARAMS& params, CAPI_ARRAY* out) {
    std::memset(out, 0, sizeof *out);
    if (SearchAfterChange(index, [&](int32_t now) { return SearchNewArray(now, params, out); })) return 1;
    DebugPrint("capicmd==>>GetNewArray cannot get array!\n");
    return 0;
}

const FramedCommand kAddArrayPart{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunAddArrayPart, false,
                                  nullptr};
// The A/B byte of the real controller decides where the array is made; no read before the refusal test.
const FramedCommand kCreateArray{Lookup::ClientId, FirstRead::None, true,   CheckCreateArray,
                                 RunCreateArray,   false,           nullptr};
const FramedCommand kExpandArray{
    Lookup::ClientId, FirstRead::None, true, CheckExpandArray, RunExpandArray, true, nullptr};
