// Drives, drive identifiers, drive error statistics and the maintenance parameter block.
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// One drive (include type 20, reply 363).
// clang-format off
#define CAPI_DRIVE_FIELDS(F, S) \
    F(S,     0, blockCapacity,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, serialNumber,          uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    36, serialNumberLength,    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    37, vendor,                char,                       9, Chars,  No,  nullptr, None) \
    F(S,    46, model,                 char,                      17, Chars,  No,  nullptr, None) \
    F(S,    63, revision,              char,                       5, Chars,  No,  nullptr, None) \
    F(S,    68, howUsed,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    69, channel,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    70, secondaryChannel,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    71, containerIndex,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    72, memberIndex,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    73, driveType,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    74, utilityRunning,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    75, blinking,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    76, busSpeed,              uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    78, scsiId,                uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,    80, smartCapable,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    81, dualPorted,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    82, seeErrorStats,         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    83, reserved83,            uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,    84, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,   132, reserved132,           uint8_t,                   48, Bytes,  No,  nullptr, None) \
    F(S,   180, lifetimeSpinDownCount, uint32_t,                   1, U32,    No,  nullptr, None) \
    F(S,   184, configSequenceNumber,  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   188, driveDownReason,       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   189, reserved189,           uint8_t,                    7, Bytes,  No,  nullptr, None) \
    F(S,   196, currentOwner,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   197, driveIndex,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   198, driveRPM,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   199, reserved199,           uint8_t,                   13, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE, 212)

// Include type 52, reply 2003.
// clang-format off
#define CAPI_UNIFIED_DRIVE_FIELDS(F, S) \
    F(S,     0, drive,                 CAPI_DRIVE,                 1, Struct, Yes, nullptr, None) \
    F(S,   212, reserved212,           uint8_t,                   48, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_DRIVE, 260)

// Include type 61: nothing converts.
// clang-format off
#define CAPI_UNIFIED_DRIVE_ID_FIELDS(F, S) \
    F(S,     0, serialNumber,          uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, secondId,              uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    40, reserved40,            uint8_t,                   64, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_DRIVE_ID, 104)

// clang-format off
#define CAPI_DRIVE_ERROR_COUNTERS_FIELDS(F, S) \
    F(S,     0, value0,                uint32_t,                   6, U32,    Yes, nullptr, None) \
    F(S,    24, value24,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    28, value28,               uint32_t,                  10, U32,    Yes, nullptr, None) \
    F(S,    68, value68,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    72, value72,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    76, value76,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    80, reserved80,            uint8_t,                   20, Bytes,  No,  nullptr, None) \
    F(S,   100, value100,              uint32_t,                  10, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_ERROR_COUNTERS, 140)

// Include type 35, replies 395 and 2098.
// clang-format off
#define CAPI_DRIVE_ERROR_STATS_FIELDS(F, S) \
    F(S,     0, counters,              CAPI_DRIVE_ERROR_COUNTERS,    2, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_ERROR_STATS, 280)

// An opaque 16-byte record of the maintenance parameters.
// clang-format off
#define CAPI_SCSI_MAINT_ENTRY_FIELDS(F, S) \
    F(S,     0, data,                  uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SCSI_MAINT_ENTRY, 16)

// Include type 9.
// clang-format off
#define CAPI_SCSI_MAINT_PARAMS_FIELDS(F, S) \
    F(S,     0, value0,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, value4,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, value8,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, value12,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, value16,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    20, value20,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    24, entry,                 CAPI_SCSI_MAINT_ENTRY,      1, Struct, No,  nullptr, None) \
    F(S,    40, reserved40,            uint8_t,                  144, Bytes,  No,  nullptr, None) \
    F(S,   184, value184,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   188, value188,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   192, data,                  uint8_t,                 32768, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SCSI_MAINT_PARAMS, 32960)
