#include "corlink/commands/drive_commands.h"

#include <cstring>

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/array_lookup.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/controller_refresh.h"
#include "corlink/commands/drive_maintenance.h"
#include "corlink/commands/master_callback.h"
#include "corlink/foundation/nt_os.h"

namespace {

constexpr uint32_t kListCountAt = 12;
constexpr uint32_t kListAt = 16;
// ASSIGN_POOL_SPARE
constexpr uint32_t kMakeSpareAt = 12;  // 0 removes the spare
constexpr uint32_t kPoolSpareAt = 13;  // 0 dedicates the spare to the array
constexpr uint32_t kSpareArrayAt = 16;
constexpr uint32_t kSpareDriveAt = 48;
constexpr uint8_t kUtilityAbortedForSpare = 6;
constexpr int32_t kAfterClearSeconds = 3;
// BLINK_DRIVE
constexpr uint32_t kBlinkOnAt = 12;
constexpr uint32_t kBlinkDriveAt = 16;
// DO_SCSI_MAINTANCE: six values from byte 12 (channel and scsiId first), the CDB, the data.
constexpr uint32_t kValuesAt = 12;
constexpr uint32_t kCdbAt = 36;
constexpr uint32_t kCdbLengthAt = 52;
constexpr uint32_t kDataAt = 56;
constexpr uint32_t kDataField = 512;
constexpr uint32_t kDataLengthAt = 568;

uint32_t ReadU32(const uint8_t* at) {
    uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

int32_t RunGetDriveList(CommandContext& c) {
    const uint32_t count = DriveCount(c.index);
    std::memcpy(c.buffer + kListAt, g_ControllerDb[static_cast<uint32_t>(c.index)].drives, count * sizeof(CAPI_DRIVE));
    std::memset(c.buffer + 8, 0, sizeof(uint32_t));
    std::memcpy(c.buffer + kListCountAt, &count, sizeof count);
    DumpDiskDrivesEx(c.index, __LINE__);
    c.replyLength = static_cast<int32_t>(kListAt + count * sizeof(CAPI_DRIVE));
    return 0;
}

// Whether the entry lists the array with this serial with the utility that a spare assignment aborts.
bool RunsUtilityToAbort(int32_t index, const uint8_t* serial) {
    const int32_t a = FindArrayByWholeSerial(index, serial);
    return a >= 0 && g_ControllerDb[static_cast<uint32_t>(index)].arrays[a].utilityRunning == kUtilityAbortedForSpare;
}

int32_t RunAssignPoolSpare(CommandContext& c) {
    const uint8_t* arraySerial = c.buffer + kSpareArrayAt;
    const uint8_t* driveSerial = c.buffer + kSpareDriveAt;
    const int32_t partner = FindPartnerController(c.index);
    if (RunsUtilityToAbort(c.index, arraySerial) || (partner >= 0 && RunsUtilityToAbort(partner, arraySerial))) {
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
    if (c.buffer[kMakeSpareAt] == 0) return CAPI_U_DeleteSpare(handle, wwn);
    if (c.buffer[kPoolSpareAt] == 0) return CAPI_U_AddDedicatedSpare(handle, arraySerial, wwn);
    return CAPI_U_AddPoolSpare(handle, wwn);
}

int32_t RunBlinkDrive(CommandContext& c) {
    const CAPI_DRIVE* drive = FindDriveBySerial(c.index, c.buffer + kBlinkDriveAt);
    if (drive == nullptr) {
        c.refusal = RRE_ERROR_NO_CONTROLLER;
        return -1;
    }
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(*drive), sizeof wwn);
    const CAPI_HANDLE handle = ControllerHandleOf(c.index);
    return c.buffer[kBlinkOnAt] == 0 ? CAPI_U_UnblinkDrive(handle, wwn) : CAPI_U_BlinkDrive(handle, wwn);
}

int32_t RunDoScsiMaintenance(CommandContext& c) {
    uint32_t values[6];
    std::memcpy(values, c.buffer + kValuesAt, sizeof values);
    const CAPI_DRIVE* drive = FindDriveByLocation(c.index, values[0], values[1]);
    if (drive == nullptr) {
        c.refusal = RRE_ERROR_BAD_DRIVE;
        return -1;
    }
    const uint32_t dataLength = ReadU32(c.buffer + kDataLengthAt);
    // The data never comes from beyond the request's data field.
    if (dataLength > kDataField) return CAPI_STATUS_INVALID_PARAM;
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(*drive), sizeof wwn);
    const uint32_t cdbLength = ReadU32(c.buffer + kCdbLengthAt);
    return CAPI_U_DoScsiMaintenance(ControllerHandleOf(c.index), wwn, values[0], values[1], values[2], values[3],
                                    values[4], values[5], cdbLength != 0 ? c.buffer + kCdbAt : nullptr, cdbLength,
                                    dataLength != 0 ? c.buffer + kDataAt : nullptr, dataLength);
}

}  // namespace

const FramedCommand kGetDriveList{Lookup::ClientId, FirstRead::None, false, nullptr, RunGetDriveList, false, " %s\n"};
const FramedCommand kAssignPoolSpare{Lookup::RealController, FirstRead::Refresh, true, nullptr, RunAssignPoolSpare,
                                     true, nullptr};
const FramedCommand kBlinkDrive{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunBlinkDrive, true, nullptr};
const FramedCommand kDoScsiMaintenance{Lookup::RealController, FirstRead::Refresh, true, nullptr, RunDoScsiMaintenance,
                                       true, nullptr};
