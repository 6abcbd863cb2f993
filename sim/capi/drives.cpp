// The drive commands: the drive list, spares, the identification blink, downing a drive and SCSI
// maintenance (operation 11 clears a leftover drive for use).
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/records.h"
#include "sim/model/array_config.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeUnifiedDrives = 52;
constexpr uint32_t kIncludeDriveId = 61;
constexpr uint32_t kIncludeScsiMaintenance = 9;
constexpr uint32_t kMaintenanceDriveIdAt = 40;
constexpr uint32_t kClearMetadataOperation = 11;  // the fourth maintenance value

void DriveList(Call& call) {
    const StorageSystem& pair = call.pair();
    call.ReplyList(kIncludeUnifiedDrives, static_cast<uint32_t>(pair.drives.size()), DriveListPayload(pair));
}

// The drive the drive identifier record names by its WWN.
Drive* NamedDrive(Call& call) {
    const uint8_t* wwn = call.IncludeAt(offsetof(CAPI_UNIFIED_DRIVE_ID, secondId), sizeof(Wwn));
    return wwn != nullptr ? FindDriveByWwn(call.pair(), wwn) : nullptr;
}

void SetBlink(Call& call, bool on) {
    Drive* drive = NamedDrive(call);
    if (drive == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_DRIVE);
    drive->blinking = on;
}
void BlinkDrive(Call& call) { SetBlink(call, true); }
void UnblinkDrive(Call& call) { SetBlink(call, false); }

void MakeSpare(Call& call, DriveUse use, const uint8_t* array) {
    Drive* drive = NamedDrive(call);
    if (drive == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_DRIVE);
    if (drive->use != DriveUse::Available) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    drive->use = use;
    if (array != nullptr) std::memcpy(drive->array.data(), array, drive->array.size());
}
void AddPoolSpare(Call& call) { MakeSpare(call, DriveUse::PoolSpare, nullptr); }
void AddDedicatedSpare(Call& call) {
    const uint8_t* array = call.IncludeAt(0, 32);
    if (array == nullptr || FindArray(call.pair(), array) == nullptr)
        return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    MakeSpare(call, DriveUse::DedicatedSpare, array);
}

void DeleteSpare(Call& call) {
    Drive* drive = NamedDrive(call);
    if (drive == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_DRIVE);
    if (drive->use != DriveUse::PoolSpare && drive->use != DriveUse::DedicatedSpare) {
        return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    }
    drive->use = DriveUse::Available;
    drive->array = {};
}

// A downed drive leaves its array and keeps that array's data: it is a leftover drive.
void DownDrive(Call& call) {
    Drive* drive = NamedDrive(call);
    if (drive == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_DRIVE);
    drive->use = DriveUse::Leftover;
    drive->array = {};
}

void DoScsiMaintenance(Call& call) {
    const uint8_t* wwn = call.IncludeAt(kMaintenanceDriveIdAt, sizeof(Wwn));
    Drive* drive = wwn != nullptr ? FindDriveByWwn(call.pair(), wwn) : nullptr;
    const uint8_t* values = call.IncludeAt(0, offsetof(CAPI_SCSI_MAINT_PARAMS, entry));
    if (drive == nullptr || values == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_DRIVE);
    uint32_t operation = 0;
    std::memcpy(&operation, values + offsetof(CAPI_SCSI_MAINT_PARAMS, value12), sizeof operation);
    if (operation == kClearMetadataOperation && drive->use == DriveUse::Leftover)
        drive->use = DriveUse::Available;
}

constexpr uint32_t kDriveIdSize = sizeof(CAPI_UNIFIED_DRIVE_ID);

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_DRIVE_LIST, "U_GET_DRIVE_LIST", 0, 0, false, Sequence::PairInParams23, DriveList},
    {CAPI_COMMAND_U_ADD_DEDICATED_SPARE, "U_ADD_DEDICATED_SPARE", kIncludeDriveId, kDriveIdSize, true,
     Sequence::PairInParams23, AddDedicatedSpare},
    {CAPI_COMMAND_U_DELETE_SPARE, "U_DELETE_SPARE", kIncludeDriveId, kDriveIdSize, true, Sequence::PairInParams23,
     DeleteSpare},
    {CAPI_COMMAND_U_BLINK_DRIVE, "U_BLINK_DRIVE", kIncludeDriveId, kDriveIdSize, false, Sequence::PairInParams23,
     BlinkDrive},
    {CAPI_COMMAND_U_UNBLINK_DRIVE, "U_UNBLINK_DRIVE", kIncludeDriveId, kDriveIdSize, false, Sequence::PairInParams23,
     UnblinkDrive},
    {CAPI_COMMAND_U_ADD_POOL_SPARE, "U_ADD_POOL_SPARE", kIncludeDriveId, kDriveIdSize, true, Sequence::PairInParams23,
     AddPoolSpare},
    {CAPI_COMMAND_U_DOWN_DRIVE, "U_DOWN_DRIVE", kIncludeDriveId, kDriveIdSize, true, Sequence::PairInParams23,
     DownDrive},
    {CAPI_COMMAND_U_DO_SCSI_MAINT, "U_DO_SCSI_MAINT", kIncludeScsiMaintenance, offsetof(CAPI_SCSI_MAINT_PARAMS, entry),
     true, Sequence::PairInParams23, DoScsiMaintenance},
    // clang-format on
};

}  // namespace

CommandFamily DriveCommands() { return kRows; }

}  // namespace sim
