// What a controller's drive list says about a drive's use, and the clear of a leftover drive (one that
// still carries another configuration's data) before the drive is used again.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_drive.h"

constexpr uint8_t DRIVE_USED_AS_MEMBER = 1;
constexpr uint8_t DRIVE_LEFTOVER = 5;

// The leftover-drive clear: SCSI maintenance operation 11 on the drive's channel and scsiId; the
// controller's return code.
int32_t ClearLeftoverDrive(int32_t index, const CAPI_DRIVE& drive);
