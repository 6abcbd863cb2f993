// The buffer of one SCSI pass-through request as the provider sends it: the request block, the sense
// bytes the driver returns and room for a small data transfer, used for input and output at once.
#pragma once

#include <cstddef>

#include "platform/devices/scsi_layouts.h"
#include "platform/win_types.h"

// The sense bytes asked for; more than this is never read from the buffer.
constexpr BYTE kPassThroughSenseBytes = 18;

struct BVSS_PassThroughBuffer {
    SCSI_PASS_THROUGH_DIRECT Request;
    DWORD Filler;  // keeps the sense bytes where the driver is told they are
    BYTE Sense[32];
    BYTE Data[512];
};
static_assert(sizeof(BVSS_PassThroughBuffer) == 608);
static_assert(offsetof(BVSS_PassThroughBuffer, Sense) == 60);
