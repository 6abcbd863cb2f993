// The controller as the classic command set describes it, the structures nested in it, and the
// controller-wide records that travel on their own (environmentals, network interface, environmental
// processor).
#pragma once

#include "corlink/capi_wire/capi_channel.h"
#include "corlink/capi_wire/capi_shared.h"
#include "corlink/capi_wire/capi_snapshot.h"

// clang-format off
#define CAPI_CONTROLLER_RAID_PARAMS_FIELDS(F, S) \
    F(S,     0, createArrayBackoffPercent,     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, dynamicSpare,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     5, reserved5,                     uint8_t,                  175, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_RAID_PARAMS, 180)

// One management network interface; addresses and masks are IPv4 byte arrays.
// clang-format off
#define CAPI_NETWORK_INTERFACE_FIELDS(F, S) \
    F(S,     0, connection,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, hwRevision,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, fwRevisionChar,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, fwRevisionMajor,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     5, fwRevisionMinor,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     6, physicalAddr,                  uint8_t,                    6, Bytes,  No,  nullptr, None) \
    F(S,    12, currentIp,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    16, defaultIp,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    20, currentMask,                   uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    24, defaultMask,                   uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    28, snmpTrapHostIp,                uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    32, gateway,                       uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    36, reserved36,                    uint8_t,                    8, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_NETWORK_INTERFACE, 44)

// The controller's settings (include type 4).
// clang-format off
#define CAPI_CONTROLLER_PARAMS_FIELDS(F, S) \
    F(S,     0, environPollInterval,           uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, performanceTuningFlags,        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, managementMode,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     9, environTemperatureEnable,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    10, environAutoSlotFlags,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    11, environAutoGlobalFlags,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    12, miscSettings,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    13, backgroundDriveScrub,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    14, utilityPriority,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    15, driveWriteBackCache,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    16, driveSMART,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    17, standAlone,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    18, dualPort,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    19, cacheLock,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    20, routerEnable,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    21, raidEnable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    22, controllerMode,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    23, reserved23,                    uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,    24, raidParams,                    CAPI_CONTROLLER_RAID_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,   204, networkInterface,              CAPI_NETWORK_INTERFACE,     1, Struct, No,  nullptr, None) \
    F(S,   248, debugLogConfig,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   252, reserved252,                   uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   256, swFeaturesDisabled,            uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   260, enclosureFeatureFlags,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   264, fullPopConfig,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   265, attemptTimeout,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   266, timeoutRetryMaximum,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   267, overallTimeout,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   268, configurationDefaults,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   272, syncCacheMode,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   273, missingLunResponse,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   274, reserved274,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   276, autoWTPreferences,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   280, backgroundMediaScrub,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   281, failSMARTDrive,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   282, reserved282,                   uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_PARAMS, 284)

// Voltage, temperature and battery readings, one status byte per reading.
// clang-format off
#define CAPI_CONTROLLER_ENVIRONMENTALS_FIELDS(F, S) \
    F(S,     0, gpioBits,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, voltageA,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, voltageB,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     8, voltageC,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    10, voltageD,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    12, voltageE,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    14, temperatureA,                  int16_t,                    1, I16,    Yes, nullptr, None) \
    F(S,    16, temperatureB,                  int16_t,                    1, I16,    Yes, nullptr, None) \
    F(S,    18, temperatureC,                  int16_t,                    1, I16,    Yes, nullptr, None) \
    F(S,    20, temperatureD,                  int16_t,                    1, I16,    Yes, nullptr, None) \
    F(S,    22, temperatureE,                  int16_t,                    1, I16,    Yes, nullptr, None) \
    F(S,    24, batteryVoltage,                uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    26, value26,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    28, batteryStatus,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    29, batteryState,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    30, wbCacheState,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    31, batteryMonthsOld,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    32, voltageAstatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    33, voltageBstatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    34, voltageCstatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    35, voltageDstatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    36, voltageEstatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    37, temperatureAstatus,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    38, temperatureBstatus,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    39, temperatureCstatus,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    40, temperatureDstatus,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    41, temperatureEstatus,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    42, batteryVoltageStatus,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    43, reserved43,                    uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,    44, awtStatus,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    48, reserved48,                    uint8_t,                   24, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_ENVIRONMENTALS, 72)

// The view of the partner ("other") controller and of the fail-over between them.
// clang-format off
#define CAPI_FAILOVER_FIELDS(F, S) \
    F(S,     0, failoverId,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, failedOver,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, otherCapiUnitNum,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, placeholderUnitNum,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, otherSerialNumber,             uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    36, otherFirmwareRevision,         char,                      20, Chars,  No,  nullptr, None) \
    F(S,    56, otherLoaderRevision,           char,                      20, Chars,  No,  nullptr, None) \
    F(S,    76, otherModel,                    char,                      20, Chars,  No,  nullptr, None) \
    F(S,    96, otherTargetId,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    97, otherId,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    98, otherState,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    99, failoverReason,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   100, otherAAVersion,                int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,   104, otherEnvironUnitNum,           uint8_t,                   10, Bytes,  No,  nullptr, None) \
    F(S,   114, MyState,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   115, reserved115,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   116, otherNodeWWN,                  uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   124, otherPortWWN,                  uint8_t[8],                 4, Bytes,  No,  nullptr, None) \
    F(S,   156, placeholderUnitValid,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   157, reserved157,                   uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,   160, newOtherEnvironUnitNum,        uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,   176, reserved176,                   uint8_t,                   24, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FAILOVER, 200)

// clang-format off
#define CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL_FIELDS(F, S) \
    F(S,     0, minDrives,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, maxDrives,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL, 4)

// RAID capabilities and limits.
// clang-format off
#define CAPI_RAID_FIELDS(F, S) \
    F(S,     0, maxChunkSize,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, minChunkSize,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, numDrives,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, numPoolSpares,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, numArrays,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    20, minMaxDrivesPerRaidLevel,      CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL,   12, Struct, No,  nullptr, None) \
    F(S,    68, memberDrives,                  CAPI_MEMBER_DRIVE,         16, Struct, Yes, nullptr, None) \
    F(S,   324, maxOwnedArraysPerController,   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   325, maxArrays,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   326, numArrayBanks,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   327, maxArrayBanks,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   328, totalNumArrayPartitions,       int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,   332, reserved332,                   uint8_t,                   36, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_RAID, 368)

// One event-notification target.
// clang-format off
#define CAPI_NOTIFICATION_STRUCT_FIELDS(F, S) \
    F(S,     0, monitoredEvents,               uint8_t,                   64, Bytes,  No,  nullptr, None) \
    F(S,    64, enable,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    65, categorySelection,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    66, reserved66,                    uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,    68, param,                         uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    72, reserved72,                    uint8_t,                    4, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_NOTIFICATION_STRUCT, 76)

// clang-format off
#define CAPI_CONTROLLER_EXTRA_A_FIELDS(F, S) \
    F(S,     0, value0,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, reserved4,                     uint8_t,                   80, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_A, 84)

// The small entries of the controller's second extension block.
// clang-format off
#define CAPI_CONTROLLER_EXTRA_B_PAIR_FIELDS(F, S) \
    F(S,     0, first,                         uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, second,                        uint8_t,                    4, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_B_PAIR, 8)

// clang-format off
#define CAPI_CONTROLLER_EXTRA_B_ENTRY_FIELDS(F, S) \
    F(S,     0, head,                          uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, value,                         uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, tail,                          uint8_t,                   10, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_B_ENTRY, 16)

// clang-format off
#define CAPI_CONTROLLER_EXTRA_B_TRIPLE_FIELDS(F, S) \
    F(S,     0, head,                          uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, tail,                          uint8_t,                    8, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_B_TRIPLE, 12)

// Four groups of small entries; only the 16-bit value of the 16-byte entries converts.
// clang-format off
#define CAPI_CONTROLLER_EXTRA_B_FIELDS(F, S) \
    F(S,     0, pairs,                         CAPI_CONTROLLER_EXTRA_B_PAIR,    2, Struct, No,  nullptr, None) \
    F(S,    16, entries,                       CAPI_CONTROLLER_EXTRA_B_ENTRY,    4, Struct, Yes, nullptr, None) \
    F(S,    80, groupA,                        CAPI_CONTROLLER_EXTRA_B_TRIPLE,    2, Struct, No,  nullptr, None) \
    F(S,   104, groupB,                        CAPI_CONTROLLER_EXTRA_B_TRIPLE,    2, Struct, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_B, 128)

// Snapshot, master-volume and backing-store limits, then a data-management policy.
// clang-format off
#define CAPI_CONTROLLER_EXTRA_C_FIELDS(F, S) \
    F(S,     0, value0,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     2, value2,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     4, baseMaxSnapshots,              uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, maxSnapshots,                  uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     8, value8,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    10, value10,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    12, reserved12,                    uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,    14, value14,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    16, value16,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    18, value18,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    20, maxSnapshotsPerVolume,         uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    22, maxSnapshotsPerControllerPair, uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    24, value24,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    26, value26,                       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    28, reserved28,                    uint8_t,                    6, Bytes,  No,  nullptr, None) \
    F(S,    34, platformMaxSnapshots,          uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    36, baseMaxMasterVolumes,          uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    38, maxMasterVolumes,              uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    40, baseMaxBackingStores,          uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    42, maxBackingStores,              uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    44, reserved44,                    uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    48, dmsPolicy,                     CAPI_DMS_POLICY,            1, Struct, Yes, nullptr, None) \
    F(S,   112, reserved112,                   uint8_t,                  144, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER_EXTRA_C, 256)

// The controller record (include type 1, reply 311). The channel arrays always hold 8 entries each.
// clang-format off
#define CAPI_CONTROLLER_FIELDS(F, S) \
    F(S,     0, configSequenceNumber,          uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, cacheSize,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, numHostChannels,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, numDriveChannels,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, timeDate,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    20, capabilities,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    24, capabilities2,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    28, memory,                        CAPI_MEMORY,                4, Struct, Yes, nullptr, None) \
    F(S,    44, controllerParams1,             CAPI_CONTROLLER_PARAMS,     1, Struct, Yes, nullptr, None) \
    F(S,   328, controllerParams2,             CAPI_CONTROLLER_PARAMS,     1, Struct, Yes, nullptr, None) \
    F(S,   612, controllerEnvironmentals,      CAPI_CONTROLLER_ENVIRONMENTALS,    1, Struct, Yes, nullptr, None) \
    F(S,   684, failover,                      CAPI_FAILOVER,              1, Struct, Yes, nullptr, None) \
    F(S,   884, hostChannels,                  CAPI_CHANNEL,               8, Struct, Yes, nullptr, None) \
    F(S, 11156, driveChannels,                 CAPI_CHANNEL,               8, Struct, Yes, nullptr, None) \
    F(S, 21428, manufacturer,                  char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21448, model,                         char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21468, firmwareRevision,              char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21488, baselevelRevision,             char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21508, boardRevision,                 char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21528, cpldRevision,                  char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21548, loaderRevision,                char,                      20, Chars,  No,  nullptr, None) \
    F(S, 21568, serialNumber,                  uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S, 21600, serialNumberLength,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21601, controllerModeAttributes,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21602, capiVersionMajor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21603, capiVersionMinor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21604, aaVersion,                     int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S, 21608, backplaneType,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21609, daughterBoard0Type,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21610, daughterBoard1Type,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21611, reserved21611,                 uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S, 21612, linkType,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21613, raidCapable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21614, routerCapable,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21615, reserved21615,                 uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S, 21616, raid,                          CAPI_RAID,                  1, Struct, Yes, nullptr, None) \
    F(S, 21984, controllerExtraA,              CAPI_CONTROLLER_EXTRA_A,    1, Struct, Yes, nullptr, None) \
    F(S, 22068, cpld2Revision,                 char,                      20, Chars,  No,  nullptr, None) \
    F(S, 22088, maxDmepMemoryBufferSize,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 22092, swFeaturesAllowed,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 22096, enclosureCapabilities,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 22100, capabilities3,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 22104, controllerExtraB,              CAPI_CONTROLLER_EXTRA_B,    1, Struct, Yes, nullptr, None) \
    F(S, 22232, currentNodeWWN,                uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S, 22240, sfpPresent,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 22241, hostRXSignalOK,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 22242, hostTXSignalOK,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 22243, orphanDataPercent,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 22244, orphanDataSerialNumber,        uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S, 22276, reserved22276,                 uint8_t,                   36, Bytes,  No,  nullptr, None) \
    F(S, 22312, controllerExtraC,              CAPI_CONTROLLER_EXTRA_C,    1, Struct, Yes, nullptr, None) \
    F(S, 22568, reserved22568,                 uint8_t,                   24, Bytes,  No,  nullptr, None) \
    F(S, 22592, unifiedCommonBytes,            uint8_t,                   12, Bytes,  No,  nullptr, None) \
    F(S, 22604, reserved22604,                 uint8_t,                 1052, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CONTROLLER, 23656)

// Include type 32, reply 392.
// clang-format off
#define CAPI_ADVANCED_ENVIRONMENTALS_FIELDS(F, S) \
    F(S,     0, value0,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, controllerA,                   CAPI_CONTROLLER_ENVIRONMENTALS,    1, Struct, Yes, nullptr, None) \
    F(S,    76, controllerB,                   CAPI_CONTROLLER_ENVIRONMENTALS,    1, Struct, Yes, nullptr, None) \
    F(S,   148, readings,                      uint16_t,                  44, U16,    Yes, nullptr, None) \
    F(S,   236, reserved236,                   uint8_t,                  200, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ADVANCED_ENVIRONMENTALS, 436)

// The management interface's full settings (include type 31, reply 390).
// clang-format off
#define CAPI_ADVANCED_NETWORK_INTERFACE_FIELDS(F, S) \
    F(S,     0, value0,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, netIf,                         CAPI_NETWORK_INTERFACE,     1, Struct, No,  nullptr, None) \
    F(S,    48, netIf2,                        CAPI_NETWORK_INTERFACE,     1, Struct, No,  nullptr, None) \
    F(S,    92, snmpVersionMajor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    93, snmpVersionMinor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    94, snmpVersionMinorMinor,         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    95, snmpVersionChar,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    96, firmwareRevisionString,        char,                      20, Chars,  No,  nullptr, None) \
    F(S,   116, firmwareBuildTimeDate,         char,                      32, Chars,  No,  nullptr, None) \
    F(S,   148, firmwareBaselevel,             char,                      20, Chars,  No,  nullptr, None) \
    F(S,   168, lanLoaderRevision,             char,                      20, Chars,  No,  nullptr, None) \
    F(S,   188, fwRevisionMajor,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   189, fwRevisionMinor,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   190, fwRevisionMinMin,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   191, ethernetUp,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   192, lanCapabilities,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   193, lanStatus,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   194, cpldRevisionString,            char,                      20, Chars,  No,  nullptr, None) \
    F(S,   214, powerSupplyRevisionString,     char,                      66, Chars,  No,  nullptr, None) \
    F(S,   280, snmpTrapsEnable,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   281, ipAddressMode,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   282, ipAddressAdvertise,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   283, reserved283,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   284, snmpWriteCommunity,            char,                      32, Chars,  No,  nullptr, None) \
    F(S,   316, snmpReadCommunity,             char,                      32, Chars,  No,  nullptr, None) \
    F(S,   348, snmpEventFilter,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   349, snmpTrapFilter,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   350, reserved350,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   352, snmpEventMaxToDisplay,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   356, systemName,                    char,                      80, Chars,  No,  nullptr, None) \
    F(S,   436, systemContact,                 char,                      80, Chars,  No,  nullptr, None) \
    F(S,   516, systemLocation,                char,                      80, Chars,  No,  nullptr, None) \
    F(S,   596, systemInfo,                    char,                      80, Chars,  No,  nullptr, None) \
    F(S,   676, ftpUser,                       char,                      32, Chars,  No,  nullptr, None) \
    F(S,   708, ftpPassword,                   char,                      32, Chars,  No,  nullptr, None) \
    F(S,   740, ftpFwDownloadDisable,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   741, reserved741,                   uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,   744, telnetPassword,                char,                      32, Chars,  No,  nullptr, None) \
    F(S,   776, telnetTimeout,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   777, telnetDisable,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   778, reserved778,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   780, dhcpEnable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   781, pollInterval,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   782, httpDisable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   783, snmpDisable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   784, debugEnable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   785, lanHeartbeatEnable,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   786, reserved786,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   788, refreshRate,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   789, wbiTimeout,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   790, temperatureMode,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   791, manageLoginNavMode,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   792, browserCachingMode,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   793, reserved793,                   uint8_t,                    7, Bytes,  No,  nullptr, None) \
    F(S,   800, vendorName,                    char,                      20, Chars,  No,  nullptr, None) \
    F(S,   820, productId,                     char,                      20, Chars,  No,  nullptr, None) \
    F(S,   840, productBrand,                  char,                      20, Chars,  No,  nullptr, None) \
    F(S,   860, scsiVendorId,                  char,                      20, Chars,  No,  nullptr, None) \
    F(S,   880, notification1,                 CAPI_NOTIFICATION_STRUCT,    1, Struct, No,  nullptr, None) \
    F(S,   956, notification2,                 CAPI_NOTIFICATION_STRUCT,    1, Struct, No,  nullptr, None) \
    F(S,  1032, notification3,                 CAPI_NOTIFICATION_STRUCT,    1, Struct, No,  nullptr, None) \
    F(S,  1108, reserved1108,                  uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,  1112, email1,                        char,                      80, Chars,  No,  nullptr, None) \
    F(S,  1192, email2,                        char,                      80, Chars,  No,  nullptr, None) \
    F(S,  1272, email3,                        char,                      80, Chars,  No,  nullptr, None) \
    F(S,  1352, email4,                        char,                      80, Chars,  No,  nullptr, None) \
    F(S,  1432, comment,                       char,                     320, Chars,  No,  nullptr, None) \
    F(S,  1752, discoveryPollingPeriod,        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  1754, monitorPollingPeriod,          uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  1756, discoveryController,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1757, remoteNotificationEnable,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1758, reserved1758,                  uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,  1760, serverName,                    char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1792, serverPort,                    int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,  1796, wbiMonitorPassword,            char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1828, wbiManagePassword,             char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1860, domainName,                    char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1892, senderName,                    char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1924, discoveryRanges,               uint32_t[2],                4, U32,    Yes, nullptr, None) \
    F(S,  1956, notification4,                 CAPI_NOTIFICATION_STRUCT,    1, Struct, No,  nullptr, None) \
    F(S,  2032, oldMonitoredEvents,            uint8_t,                   24, Bytes,  No,  nullptr, None) \
    F(S,  2056, reserved2056,                  uint8_t,                 1916, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ADVANCED_NETWORK_INTERFACE, 3972)

// Include type 12, reply 2110.
// clang-format off
#define CAPI_ENVIRON_PROCESSOR_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, value4,                        uint32_t,                   7, U32,    Yes, nullptr, None) \
    F(S,    32, reserved32,                    uint8_t,                  288, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENVIRON_PROCESSOR, 320)

// Include type 11: filled by the caller, nothing converts.
// clang-format off
#define CAPI_ENVIRON_WRITE_PARAMS_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                  288, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENVIRON_WRITE_PARAMS, 288)
