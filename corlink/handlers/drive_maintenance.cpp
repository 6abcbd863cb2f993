#include "corlink/handlers/drive_maintenance.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"

namespace {
constexpr uint32_t kClearMetadataOperation = 11;
}  // namespace

int32_t ClearLeftoverDrive(int32_t index, const CAPI_DRIVE& drive) {
    // The drive record lives in the database, which the send may rewrite: the command takes copies.
    uint8_t wwn[kDriveWwnSize];
    std::memcpy(wwn, DriveWwn(drive), sizeof wwn);
    const uint32_t channel = drive.channel;
    const uint32_t scsiId = drive.scsiId;
    return CAPI_U_DoScsiMaintenance(ControllerHandleOf(index), wwn, channel, scsiId, 0,
                                    kClearMetadataOperation, 0, 0, nullptr, 0, nullptr, 0);
}
