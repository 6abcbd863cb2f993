// State of the SCSI command layer that the CAPI library reads.
#pragma once

#include <cstdint>

// Set once a device could not be opened or the system reported it gone; never cleared.
extern volatile int32_t g_DeviceGone;
