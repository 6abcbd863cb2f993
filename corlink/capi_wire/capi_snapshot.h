// Point-in-time copies: snapshots and their statistics, snapshot creation, commit and deletion,
// master volumes, backing stores (snap pools), roll-back, rolloff, and the data-management tag and policy.
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// clang-format off
#define CAPI_SNAPSHOT_FIELDS(F, S) \
    F(S,     0, partitionId,              uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, value16,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    20, value20,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    24, masterPartitionId,        uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    40, reserved40,               uint8_t,                   48, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT, 88)

// clang-format off
#define CAPI_SNAPSHOT_LIST_FIELDS(F, S) \
    F(S,     0, records,                  CAPI_SNAPSHOT,           1024, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_LIST, 90112)

// Six 64-bit counters of one snapshot.
// clang-format off
#define CAPI_SNAPSHOT_STATS_FIELDS(F, S) \
    F(S,     0, partitionId,              uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, counters,                 CAPI_U64,                   6, Struct, Yes, nullptr, None) \
    F(S,    64, reserved64,               uint8_t,                   64, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_STATS, 128)

// clang-format off
#define CAPI_SNAPSHOT_STATS_LIST_FIELDS(F, S) \
    F(S,     0, records,                  CAPI_SNAPSHOT_STATS,     1024, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_STATS_LIST, 131072)

// One snapshot to create.
// clang-format off
#define CAPI_SNAPSHOT_CREATE_ENTRY_FIELDS(F, S) \
    F(S,     0, volumeSerialNumber,       uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, name,                     char,                      32, Chars,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_CREATE_ENTRY, 48)

// Up to 16 snapshots to create in one command (include type 72).
// clang-format off
#define CAPI_CREATE_SNAPSHOTS_PARAMS_FIELDS(F, S) \
    F(S,     0, value0,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, value1,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, commitMode,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, numEntries,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, reserved4,                uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     8, tag,                      CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    16, entries,                  CAPI_SNAPSHOT_CREATE_ENTRY,   16, Struct, No,  nullptr, None) \
    F(S,   784, value784,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   788, reserved788,              uint8_t,                   76, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CREATE_SNAPSHOTS_PARAMS, 864)

// The 16-byte serial numbers of a set of snapshots (include type 74).
// clang-format off
#define CAPI_SNAPSHOT_ID_LIST_FIELDS(F, S) \
    F(S,     0, numIds,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, reserved1,                uint8_t,                    7, Bytes,  No,  nullptr, None) \
    F(S,     8, serialNumbers,            uint8_t[16],               16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_ID_LIST, 264)

// The snapshots to commit or delete (include type 73).
// clang-format off
#define CAPI_SNAPSHOT_ID_PARAMS_FIELDS(F, S) \
    F(S,     0, value0,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, value1,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,     4, value4,                   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, tag,                      CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    16, snapshots,                CAPI_SNAPSHOT_ID_LIST,      1, Struct, No,  nullptr, None) \
    F(S,   280, reserved280,              uint8_t,                   64, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SNAPSHOT_ID_PARAMS, 344)

// clang-format off
#define CAPI_MASTER_VOLUME_FIELDS(F, S) \
    F(S,     0, partitionId,              uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, reserved16,               uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, value32,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    36, snapPoolPartitionId,      uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    52, numSnapshots,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    56, value56,                  CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    64, reserved64,               uint8_t,                   24, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MASTER_VOLUME, 88)

// clang-format off
#define CAPI_MASTER_VOLUME_LIST_FIELDS(F, S) \
    F(S,     0, records,                  CAPI_MASTER_VOLUME,      2048, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MASTER_VOLUME_LIST, 180224)

// clang-format off
#define CAPI_BACKING_STORE_FIELDS(F, S) \
    F(S,     0, partitionId,              uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, reserved16,               uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, value32,                  CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    40, value40,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    44, numMasterVolumes,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    48, value48,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    52, value52,                  uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    54, reserved54,               uint8_t,                   26, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_BACKING_STORE, 80)

// clang-format off
#define CAPI_BACKING_STORE_LIST_FIELDS(F, S) \
    F(S,     0, records,                  CAPI_BACKING_STORE,       128, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_BACKING_STORE_LIST, 10240)

// Include type 75.
// clang-format off
#define CAPI_ROLLBACK_PARAMS_FIELDS(F, S) \
    F(S,     0, reserved0,                uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, masterVolumeSerialNumber, uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, reserved32,               uint8_t,                   64, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ROLLBACK_PARAMS, 96)

// The size of include type 85; converted by the proxy's rolloff request only.
// clang-format off
#define CAPI_ROLLOFF_PARAMS_FIELDS(F, S) \
    F(S,     0, volumeSerialNumber,       uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, vdiskSerialNumber,        uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, reserved32,               uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    40, name,                     char,                      32, Chars,  No,  nullptr, None) \
    F(S,    72, value72,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    76, reserved76,               uint8_t,                  436, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ROLLOFF_PARAMS, 512)

// One entry of the proxy's rolloff-volume list.
// clang-format off
#define CAPI_ROLLOFF_VOLUME_FIELDS(F, S) \
    F(S,     0, serialNumber,             uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, reserved16,               uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    32, sourceSerialNumber,       uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    48, percentComplete,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    49, reserved49,               uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,    52, value52,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    56, status,                   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    60, value60,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    64, reserved64,               uint8_t,                   64, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ROLLOFF_VOLUME, 128)

// clang-format off
#define CAPI_DMS_TAG_FIELDS(F, S) \
    F(S,     0, tag,                      CAPI_U64,                   1, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DMS_TAG, 8)

// A snap pool's policy (include types 76 and 77).
// clang-format off
#define CAPI_DMS_POLICY_FIELDS(F, S) \
    F(S,     0, snapPoolPartitionId,      uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, reserved16,               uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    24, WarningPolicy,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    25, ErrorPolicy,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    26, CriticalPolicy,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    27, reserved27,               uint8_t,                    5, Bytes,  No,  nullptr, None) \
    F(S,    32, policyValue,              CAPI_U64,                   1, Struct, Yes, nullptr, None) \
    F(S,    40, reserved40,               uint8_t,                   24, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DMS_POLICY, 64)

// clang-format off
#define CAPI_DMS_POLICY_LIST_FIELDS(F, S) \
    F(S,     0, records,                  CAPI_DMS_POLICY,          128, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DMS_POLICY_LIST, 8192)
