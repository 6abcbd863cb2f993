#include "corlink/handlers/drive_commands.h"

#include <cstddef>
#include <cstring>

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/master_callback.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/drive_maintenance.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_drives.h"

namespace {

using rre_wire::BufferAs;

// The marker GET_DRIVE_LIST's drive-list dump logs ("DumpDiskDrivesEx called from 31"), fixed so that the
// log line does not move with the source around it.
constexpr int kDriveListDumpMarker = 31;

// ASSIGN_POOL_SPARE
constexpr uint8_t kUtilityAbortedForSpare = 6;
constexpr int32_t kAfterClearSeconds = 3;

int32_t RunGetDriveList(CommandContext& c) {
    const uint32_t count = DriveCount(c.index);
    auto* reply = BufferAs<RRE_DRIVE_LIST_BUFFER>(c.buffer);
    std::memcpy(reply->drives, g_ControllerDb[static_cast<uint32_t>(c.index)].drives,
                count * sizeof(CAPI_DRIVE));
    reply->reserved8 = 0;
    reply->driveCount = count;
    DumpDiskDrivesEx(c.index, kDriveListDumpMarker);
    c.replyLength =
        static_cast<int32_t>(offsetof(RRE_DRIVE_LIST_BUFFER, drives) + count * sizeof(CAPI_DRIVE));
    return 0;
}

// Whether the entry lists the array with this serial with the utility that a spare assignment aborts.
bool RunsUtilityToAbort(int32_t index, const uint8_t* serial) {
    const int32_t a = FindArrayByWholeSerial(index, serial);
    return a >= 0 &&
           g_ControllerDb[static_cast<uint32_t>(index)].arrays[a].utilityRunning == kUtilityAbortedForSpare;
}

int32_t RunAssignPoolSpare(CommandContext& c) {
    const auto* request = BufferAs<RRE_POOL_SPARE_BUFFER>(c.buffer);
    const uint8_t* arraySerial = request->arraySerialNumber;
    const uint8_t* driveSerial = request->driveSerialNumber;
    const int32_t partner = FindPartnerController(c.index);
    if (RunsUtilityToAbort(c.index, arraySerial) ||
        (partner >= 0 && RunsUtilityToAbort(partner, arraySerial))) {
        CAPI_U_AbortUtility(ControllerHandleOf(c.index), arraySerial);
    }
    const CAPI_DRIVE* drive = FindDriveBySerial(c.index, driveSerial);
    if (drive == nullptr && partner >= 0) {
        RefreshController(partner);
        drive = FindDriveBySerial(partner, driveSerial);
        // The rest of the command, and the read after it, go to the partner.
        c.index = partner;
        c.identity = IdentityOf(partner, false);
    }
    if (drive == nullptr) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return -1;
    }
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(*drive), sizeof wwn);
    for (uint32_t k = 0; k < DriveCount(c.index); ++k) {
        const CAPI_DRIVE candidate = DriveAt(c.index, k);
        if (IsSameDriveSerial(candidate.serialNumber, driveSerial) && candidate.howUsed == DRIVE_LEFTOVER) {
            ClearLeftoverDrive(c.index, candidate);
            os_SleepSeconds(kAfterClearSeconds);
            break;
        }
    }
    const CAPI_HANDLE handle = ControllerHandleOf(c.index);
    if (request->makeSpare == 0) return CAPI_U_DeleteSpare(handle, wwn);
    if (request->poolSpare == 0) return CAPI_U_AddDedicatedSpare(handle, arraySerial, wwn);
    return CAPI_U_AddPoolSpare(handle, wwn);
}

int32_t RunBlinkDrive(CommandContext& c) {
    const auto* request = BufferAs<RRE_OBJECT_BUFFER>(c.buffer);
    const CAPI_DRIVE* drive = FindDriveBySerial(c.index, request->serialNumber);
    if (drive == nullptr) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return -1;
    }
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(*drive), sizeof wwn);
    const CAPI_HANDLE handle = ControllerHandleOf(c.index);
    return request->option == 0 ? CAPI_U_UnblinkDrive(handle, wwn) : CAPI_U_BlinkDrive(handle, wwn);
}

int32_t RunDoScsiMaintenance(CommandContext& c) {
    const auto* request = BufferAs<RRE_SCSI_MAINTENANCE_BUFFER>(c.buffer);
    uint32_t values[RRE_MAINTENANCE_VALUES];
    std::memcpy(values, request->values, sizeof values);
    const CAPI_DRIVE* drive = FindDriveByLocation(c.index, values[0], values[1]);
    if (drive == nullptr) {
        c.refusal = RRE_ERROR_BAD_DRIVE;
        return -1;
    }
    const uint32_t dataLength = request->dataLength;
    // The data never comes from beyond the request's data field.
    if (dataLength > sizeof request->data) return CAPI_STATUS_INVALID_PARAM;
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(*drive), sizeof wwn);
    const uint32_t cdbLength = request->cdbLength;
    return CAPI_U_DoScsiMaintenance(ControllerHandleOf(c.index), wwn, values[0], values[1], values[2],
                                    values[3], values[4], values[5], cdbLength != 0 ? request->cdb : nullptr,
                                    cdbLength, dataLength != 0 ? request->data : nullptr, dataLength);
}

}  // namespace

const FramedCommand kGetDriveList{Lookup::ClientId, FirstRead::None, false,  nullptr,
                                  RunGetDriveList,  false,           " %s\n"};
const FramedCommand kAssignPoolSpare{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunAssignPoolSpare, true, nullptr};
const FramedCommand kBlinkDrive{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunBlinkDrive, true,
                                nullptr};
const FramedCommand kDoScsiMaintenance{
    Lookup::RealController, FirstRead::Refresh, true, nullptr, RunDoScsiMaintenance, true, nullptr};
