// The request block of one plain SCSI pass-through: the Windows request, a filler, the sense buffer and
// spare room, handed to the I/O control whole as its input and output buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/devices/scsi_layouts.h"

constexpr uint32_t SCSI_SENSE_BUFFER_LENGTH = 32;

struct SCSI_REQUEST_BLOCK {
    SCSI_PASS_THROUGH_DIRECT sptd;
    uint32_t filler;
    uint8_t sense[SCSI_SENSE_BUFFER_LENGTH];
    uint8_t spare[512];
};
static_assert(sizeof(SCSI_REQUEST_BLOCK) == 608);
static_assert(offsetof(SCSI_REQUEST_BLOCK, sense) == 60);

// SCSI status bytes the layer tells apart.
constexpr uint8_t SCSI_STATUS_GOOD = 0x00;
constexpr uint8_t SCSI_STATUS_CHECK_CONDITION = 0x02;
constexpr uint8_t SCSI_STATUS_RESERVATION_CONFLICT = 0x18;
