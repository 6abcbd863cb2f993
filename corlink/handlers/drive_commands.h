// The commands that act on single drives: the drive list, spares, the identification blink and raw SCSI
// maintenance.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kGetDriveList;
extern const FramedCommand kAssignPoolSpare;
extern const FramedCommand kBlinkDrive;
extern const FramedCommand kDoScsiMaintenance;
