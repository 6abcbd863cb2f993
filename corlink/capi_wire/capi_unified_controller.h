// A controller pair as the unified command set describes it: a block common to both controllers
// and one block per controller, and the pair's settings as one block.
#pragma once

#include "corlink/capi_wire/capi_channel.h"
#include "corlink/capi_wire/capi_controller.h"

// clang-format off
#define CAPI_UNIFIED_COMMON_HEAD_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                  208, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_COMMON_HEAD, 208)

// clang-format off
#define CAPI_UNIFIED_CHANNEL_SUMMARY_FIELDS(F, S) \
    F(S,     0, busType,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, maxDrives,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                   50, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CHANNEL_SUMMARY, 52)

// One discovery range word of the unified network settings, 8 bytes apart.
// clang-format off
#define CAPI_UNIFIED_DISCOVERY_RANGE_FIELDS(F, S) \
    F(S,     0, value,                         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, reserved4,                     uint8_t,                    4, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_DISCOVERY_RANGE, 8)

// clang-format off
#define CAPI_UNIFIED_NETWORK_PARAMS_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,                   76, Bytes,  No,  nullptr, None) \
    F(S,    76, value76,                       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    80, reserved80,                    uint8_t,                  432, Bytes,  No,  nullptr, None) \
    F(S,   512, notifications,                 CAPI_NOTIFICATION_STRUCT,    4, Struct, No,  nullptr, None) \
    F(S,   816, reserved816,                   uint8_t,                  664, Bytes,  No,  nullptr, None) \
    F(S,  1480, value1480,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1484, reserved1484,                  uint8_t,                   36, Bytes,  No,  nullptr, None) \
    F(S,  1520, value1520,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1524, reserved1524,                  uint8_t,                  128, Bytes,  No,  nullptr, None) \
    F(S,  1652, value1652,                     uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  1654, value1654,                     uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  1656, reserved1656,                  uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,  1660, discoveryRanges,               CAPI_UNIFIED_DISCOVERY_RANGE,    4, Struct, Yes, nullptr, None) \
    F(S,  1692, reserved1692,                  uint8_t,                  160, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_NETWORK_PARAMS, 1852)

// clang-format off
#define CAPI_iSCSI_PARAMS_FIELDS(F, S) \
    F(S,     0, dhcpEnable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, chapEnable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, isnsEnable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, jumboFrameEnable,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, force1GbEnable,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     5, vlanTagEnable,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     6, ipsecEnable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     7, reserved7,                     uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,     8, isnsServer,                    uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    24, isnsAltServer,                 uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_iSCSI_PARAMS, 40)

// The controller-pair settings; from 1852 on they map onto the classic controller settings.
// clang-format off
#define CAPI_UNIFIED_COMMON_PARAMS_FIELDS(F, S) \
    F(S,     0, network,                       CAPI_UNIFIED_NETWORK_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,  1852, environPollInterval,           uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1856, performanceTuningFlags,        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1860, controllerSettings,            uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,  1876, raidParams,                    CAPI_CONTROLLER_RAID_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,  2056, value2056,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2060, value2060,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2064, value2064,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2068, value2068,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2072, reserved2072,                  uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,  2088, iscsiParams,                   CAPI_iSCSI_PARAMS,          1, Struct, No,  nullptr, None) \
    F(S,  2128, reserved2128,                  uint8_t,                  948, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_COMMON_PARAMS, 3076)

// The block common to both controllers of the pair.
// clang-format off
#define CAPI_UNIFIED_COMMON_DATA_FIELDS(F, S) \
    F(S,     0, head,                          CAPI_UNIFIED_COMMON_HEAD,    1, Struct, No,  nullptr, None) \
    F(S,   208, maxChunkSize,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   212, minChunkSize,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   216, reserved216,                   uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   220, numPoolSpares,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   224, minMaxDrivesPerRaidLevel,      CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL,   12, Struct, No,  nullptr, None) \
    F(S,   272, raidLimits,                    uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   276, cacheSize,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   280, numHostChannels,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   284, numDriveChannels,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   288, timeDate,                      uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   292, memory,                        CAPI_MEMORY,                4, Struct, Yes, nullptr, None) \
    F(S,   308, hostChannelSummaries,          CAPI_UNIFIED_CHANNEL_SUMMARY,    8, Struct, No,  nullptr, None) \
    F(S,   724, driveChannelSummaries,         CAPI_UNIFIED_CHANNEL_SUMMARY,    8, Struct, No,  nullptr, None) \
    F(S,  1140, linkType,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1141, raidCapable,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1142, routerCapable,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1143, value1143,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1144, maxDmepMemoryBufferSize,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1148, swFeaturesAllowed,             uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1152, enclosureCapabilities,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1156, extraB,                        CAPI_CONTROLLER_EXTRA_B,    1, Struct, Yes, nullptr, None) \
    F(S,  1284, reserved1284,                  uint8_t,                   36, Bytes,  No,  nullptr, None) \
    F(S,  1320, extraC,                        CAPI_CONTROLLER_EXTRA_C,    1, Struct, Yes, nullptr, None) \
    F(S,  1576, controllerBytes,               uint8_t,                   12, Bytes,  No,  nullptr, None) \
    F(S,  1588, targetQualifiedName,           char,                    2696, Chars,  No,  nullptr, None) \
    F(S,  4284, params1,                       CAPI_UNIFIED_COMMON_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,  7360, params2,                       CAPI_UNIFIED_COMMON_PARAMS,    1, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_COMMON_DATA, 10436)

// clang-format off
#define CAPI_UNIFIED_CONTROLLER_HEAD_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                  308, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CONTROLLER_HEAD, 308)

// One channel; its information union is converted as the bus type passed down.
// clang-format off
#define CAPI_UNIFIED_CHANNEL_FIELDS(F, S) \
    F(S,     0, value0,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, reserved4,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     8, channelInfo,                   CAPI_CHANNEL_INFO_UNION,    1, Union,  Yes, nullptr, None) \
    F(S,   632, state,                         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   633, reserved633,                   uint8_t,                   55, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CHANNEL, 688)

// clang-format off
#define CAPI_UNIFIED_CONTROLLER_PARAMS_HEAD_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                  212, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CONTROLLER_PARAMS_HEAD, 212)

// clang-format off
#define CAPI_UNIFIED_CHANNEL_PARAMS_FIELDS(F, S) \
    F(S,     0, busParams,                     CAPI_CHANNEL_PARAMS_UNION,    1, Union,  No,  nullptr, None) \
    F(S,   104, reserved104,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   105, disable,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   106, reserved106,                   uint8_t,                   42, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CHANNEL_PARAMS, 148)

// The settings of the 16 channels of one controller.
// clang-format off
#define CAPI_UNIFIED_CHANNEL_PARAMS_BLOCK_FIELDS(F, S) \
    F(S,     0, hostChannels,                  CAPI_UNIFIED_CHANNEL_PARAMS,    8, Struct, No,  nullptr, None) \
    F(S,  1184, driveChannels,                 CAPI_UNIFIED_CHANNEL_PARAMS,    8, Struct, No,  nullptr, None) \
    F(S,  2368, capiUnitEnable,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  2369, capiUnitAutoSettingEnable,     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  2370, reserved2370,                  uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,  2372, capiUnitNum,                   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2376, environUnitEnableBitmap,       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  2378, value2378,                     uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  2380, environUnitAutoSettingEnableBitmap, uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  2382, value2382,                     uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  2384, value2384,                     uint32_t,                  16, U32,    Yes, nullptr, None) \
    F(S,  2448, value2448,                     uint32_t,                  16, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CHANNEL_PARAMS_BLOCK, 2512)

// The per-controller settings.
// clang-format off
#define CAPI_UNIFIED_CONTROLLER_PARAMS_FIELDS(F, S) \
    F(S,     0, head,                          CAPI_UNIFIED_CONTROLLER_PARAMS_HEAD,    1, Struct, No,  nullptr, None) \
    F(S,   212, channelParams,                 CAPI_UNIFIED_CHANNEL_PARAMS_BLOCK,    1, Struct, Yes, nullptr, None) \
    F(S,  2724, reserved2724,                  uint8_t,                  100, Bytes,  No,  nullptr, None) \
    F(S,  2824, value2824,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2828, reserved2828,                  uint8_t,                  996, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CONTROLLER_PARAMS, 3824)

// One controller of the pair.
// clang-format off
#define CAPI_UNIFIED_CONTROLLER_DATA_FIELDS(F, S) \
    F(S,     0, configSequenceNumber,          uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, head,                          CAPI_UNIFIED_CONTROLLER_HEAD,    1, Struct, No,  nullptr, None) \
    F(S,   312, numDrives,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   316, numArrays,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   320, reserved320,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   321, controllerState,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   322, reserved322,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   324, capabilities,                  uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   328, capabilities2,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   332, capabilities3,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   336, value336,                      uint32_t,                   5, U32,    Yes, nullptr, None) \
    F(S,   356, environmentals,                CAPI_ADVANCED_ENVIRONMENTALS,    1, Struct, Yes, nullptr, None) \
    F(S,   792, hostChannels,                  CAPI_UNIFIED_CHANNEL,       8, Struct, Yes, nullptr, None) \
    F(S,  6296, driveChannels,                 CAPI_UNIFIED_CHANNEL,       8, Struct, Yes, nullptr, None) \
    F(S, 11800, identityStrings,               char[20],                   6, Chars,  No,  nullptr, None) \
    F(S, 11920, cpld2Revision,                 char,                      20, Chars,  No,  nullptr, None) \
    F(S, 11940, loaderRevision,                char,                      20, Chars,  No,  nullptr, None) \
    F(S, 11960, serialNumber,                  uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S, 11992, serialNumberLength,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 11993, controllerModeAttributes,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 11994, capiVersionMajor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 11995, capiVersionMinor,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 11996, aaVersion,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 12000, backplaneType,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12001, daughterBoard0Type,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12002, daughterBoard1Type,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12003, reserved12003,                 uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S, 12004, currentNodeWWN,                uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S, 12012, sfpPresent,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12013, hostRXSignalOK,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12014, hostTXSignalOK,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12015, orphanDataPercent,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 12016, orphanDataSerialNumber,        uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S, 12048, reserved12048,                 uint8_t,                  288, Bytes,  No,  nullptr, None) \
    F(S, 12336, totalNumArrayPartitions,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S, 12340, reserved12340,                 uint8_t,                 2660, Bytes,  No,  nullptr, None) \
    F(S, 15000, params1,                       CAPI_UNIFIED_CONTROLLER_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S, 18824, params2,                       CAPI_UNIFIED_CONTROLLER_PARAMS,    1, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_CONTROLLER_DATA, 22648)

// The pair (reply 2001, include type 50). Byte 308, the bus type of host channel 0 (6 when 0),
// selects the layout of all 32 channel information unions.
// clang-format off
#define CAPI_UNIFIED_CONTROLLER_FIELDS(F, S) \
    F(S,     0, common,                        CAPI_UNIFIED_COMMON_DATA,    1, Struct, Yes, nullptr, None) \
    F(S, 10436, controllers,                   CAPI_UNIFIED_CONTROLLER_DATA,    2, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT_WITH_SELECTOR(CAPI_UNIFIED_CONTROLLER, 55732, 308, 6)

// Include type 57.
// clang-format off
#define CAPI_UNIFIED_PARAMS_FIELDS(F, S) \
    F(S,     0, common,                        CAPI_UNIFIED_COMMON_PARAMS,    1, Struct, Yes, nullptr, None) \
    F(S,  3076, controllers,                   CAPI_UNIFIED_CONTROLLER_PARAMS,    2, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_PARAMS, 10724)
