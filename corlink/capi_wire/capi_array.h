// Arrays (vdisks) with their statistics and cache settings, array creation, and partitions (volumes).
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// Include type 3.
// clang-format off
#define CAPI_CACHE_PARAMS_FIELDS(F, S) \
    F(S,     0, readAheadSize,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, flushPeriod,                   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, readAheadEnable,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     9, writeBackEnable,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    10, cacheOptimization,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    11, reserved11,                    uint8_t,                   21, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CACHE_PARAMS, 32)

// clang-format off
#define CAPI_ARRAY_STATS_ENTRY_FIELDS(F, S) \
    F(S,     0, value0,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     2, value2,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     4, value4,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, reserved8,                     uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY_STATS_ENTRY, 24)

// Include type 42.
// clang-format off
#define CAPI_ARRAY_STATS_FIELDS(F, S) \
    F(S,     0, numReads,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, numWrites,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, totalSectorsRead,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, totalSectorsWritten,           uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, value16,                       uint32_t,                  12, U32,    Yes, nullptr, None) \
    F(S,    64, value64,                       uint32_t,                  12, U32,    Yes, nullptr, None) \
    F(S,   112, entries,                       CAPI_ARRAY_STATS_ENTRY,     8, Struct, Yes, nullptr, None) \
    F(S,   304, reserved304,                   uint8_t,                   40, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY_STATS, 344)

// One array (include types 2 and 24; replies 374 and 2002). The 68 member drives are in use up to numDrives.
// clang-format off
#define CAPI_ARRAY_FIELDS(F, S) \
    F(S,     0, value0,                        CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,     8, unitNum,                       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, numDrives,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, numSpares,                     uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    18, reserved18,                    uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,    20, dataChunkSize,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    24, minDriveSize,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    28, creationTimeStamp,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    32, cacheParams,                   CAPI_CACHE_PARAMS,          1, Struct, Yes, nullptr, None) \
    F(S,    64, arrayStats,                    CAPI_ARRAY_STATS,           1, Struct, Yes, nullptr, None) \
    F(S,   408, memberDrives,                  CAPI_MEMBER_DRIVE,         68, Struct, Yes, nullptr, None) \
    F(S,  1496, name,                          char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1528, serialNumber,                  uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,  1560, serialNumberLength,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1561, health,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1562, utilityRunning,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1563, raidLevel,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1564, reserved1564,                  uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,  1565, preferredOwner,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1566, containerNumber,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1567, numArrayPartitions,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1568, configSequenceNumber,          uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1572, freeCapacity,                  CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,  1580, numDrivesPerLowLevelArray,     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1581, currentOwner,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1582, numExpansionArrayPartitions,   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1583, numFreeArrayPartitionSegments, uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1584, maxNewPartitionSize,           CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,  1592, arrayDriveType,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1593, autoAbortableUtility,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1594, reserved1594,                  uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,  1598, largeNumArrayPartitions,       uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,  1600, reserved1600,                  uint8_t,                    4, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY, 1604)

// Include type 36.
// clang-format off
#define CAPI_UNIFIED_CACHE_PARAMS_FIELDS(F, S) \
    F(S,     0, cacheParams,                   CAPI_CACHE_PARAMS,          1, Struct, Yes, nullptr, None) \
    F(S,    32, reserved32,                    uint8_t,                   32, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CACHE_PARAMS, 64)

// Include type 8: filled by the caller, nothing converts.
// clang-format off
#define CAPI_ARRAY_NAME_PARAMS_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                   40, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY_NAME_PARAMS, 40)

// Include type 6.
// clang-format off
#define CAPI_CREATE_ARRAY_PARAMS_FIELDS(F, S) \
    F(S,     0, drives,                        CAPI_DRIVE_LOCATION,       68, Struct, Yes, nullptr, None) \
    F(S,   544, numMemberDriveIds,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   548, numFurtherDriveIds,            uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,   550, reserved550,                   uint8_t,                    6, Bytes,  No,  nullptr, None) \
    F(S,   556, value556,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   560, value560,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   564, value564,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   568, value568,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   572, owner,                         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   573, reserved573,                   uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,   576, value576,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   577, reserved577,                   uint8_t,                   35, Bytes,  No,  nullptr, None) \
    F(S,   612, cacheParams,                   CAPI_CACHE_PARAMS,          1, Struct, Yes, nullptr, None) \
    F(S,   644, reserved644,                   uint8_t,                   40, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CREATE_ARRAY_PARAMS, 684)

// Include type 60.
// clang-format off
#define CAPI_UNIFIED_CREATE_ARRAY_PARAMS_FIELDS(F, S) \
    F(S,     0, createArrayParams,             CAPI_CREATE_ARRAY_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,   684, reserved684,                   uint8_t,                   36, Bytes,  No,  nullptr, None) \
    F(S,   720, driveIds,                      uint8_t[32],               69, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CREATE_ARRAY_PARAMS, 2928)

// Include type 62, reply 2050: kept as the result of an array creation.
// clang-format off
#define CAPI_CREATE_ARRAY_REPLY_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                   32, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CREATE_ARRAY_REPLY, 32)

// One partition (include type 28; replies 383, 385, 2073 and 2077). Nothing converts: every
// field travels in the controller's little-endian order, also inside proxy replies.
// clang-format off
#define CAPI_ARRAY_PARTITION_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,     8, size,                          CAPI_U64,                   1, Struct, No,  nullptr, None) \
    F(S,    16, lun,                           int32_t,                    1, I32,    No,  nullptr, None) \
    F(S,    20, name,                          char,                      32, Chars,  No,  nullptr, None) \
    F(S,    52, arraySerialNumber,             uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    84, serialNumber,                  uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,   116, reserved116,                   uint8_t,                  344, Bytes,  No,  nullptr, None) \
    F(S,   460, reserved460,                   uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,   492, reserved492,                   uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   500, value500,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   501, preferredOwner,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   502, arrayIndex,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   503, value503,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   504, value504,                      uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,   506, reserved506,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   508, value508,                      CAPI_U64,                   1, Struct, No,  nullptr, None) \
    F(S,   516, specialClass,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   517, type,                          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   518, reserved518,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   519, paged,                         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   520, reserved520,                   uint8_t,                   48, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY_PARTITION, 568)

// The records of reply 2081, from which the controller database builds its partitions.
// clang-format off
#define CAPI_UNIFIED_PARTITION_FIELDS(F, S) \
    F(S,     0, size,                          CAPI_U64,                   1, Struct, No,  nullptr, None) \
    F(S,     8, lun,                           int32_t,                    1, I32,    No,  nullptr, None) \
    F(S,    12, value12,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    13, value13,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    14, reserved14,                    uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,    15, value15,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    16, arraySerialNumber,             uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, serialNumber,                  uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    48, reserved48,                    uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    80, value80,                       uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,    82, specialClass,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    83, type,                          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    84, reserved84,                    uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    88, value88,                       CAPI_U64,                   1, Struct, No,  nullptr, None) \
    F(S,    96, name,                          char,                      32, Chars,  No,  nullptr, None) \
    F(S,   128, reserved128,                   uint8_t,                  131, Bytes,  No,  nullptr, None) \
    F(S,   259, paged,                         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   260, reserved260,                   uint8_t,                   44, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_PARTITION, 304)

// The parameters of the partition add, change and conversion commands (include type 27).
// clang-format off
#define CAPI_ARRAY_PARTITION_PARAMS_FIELDS(F, S) \
    F(S,     0, value0,                        CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,     8, size,                          CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    16, name,                          char,                      32, Chars,  No,  nullptr, None) \
    F(S,    48, unitNum,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    49, arraySerialNumber,             uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    81, partitionSerialNumber,         uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,   113, reserved113,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   114, descriptionLength,             uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,   116, reserved116,                   uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   120, lun,                           int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,   124, specialClass,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   125, specialType,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   126, reserved126,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   127, isPaged,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   128, value128,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   132, value132,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   136, reserved136,                   uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,   152, description,                   uint8_t,                  128, Bytes,  No,  nullptr, None) \
    F(S,   280, reserved280,                   uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ARRAY_PARTITION_PARAMS, 296)
