// Host and drive channels: the channel record, its bus-specific information union and its settings.
#pragma once

#include "corlink/capi_wire/struct_desc.h"

// clang-format off
#define CAPI_FC_LOOP_POSITION_FIELDS(F, S) \
    F(S,     0, numIDs,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, loopMasterID,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, map,                           uint8_t,                  128, Bytes,  No,  nullptr, None) \
    F(S,   130, reserved130,                   uint8_t,                  382, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FC_LOOP_POSITION, 512)

// A Fibre Channel port: link state, topology, loop position, speeds, addresses and names.
// clang-format off
#define CAPI_FC_INFO_FIELDS(F, S) \
    F(S,     0, FCLinkUp,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, FCActiveTopology,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, FCConfigTopology,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, FCClassOfService,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, fcLoopPosition,                CAPI_FC_LOOP_POSITION,      1, Struct, No,  nullptr, None) \
    F(S,   516, maxSpeed,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,   518, FCLoopID,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   519, gbicReceiveStatus,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   520, FCAddr,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   524, FCNodeWWN,                     uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   532, FCPortWWN,                     uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   540, HardwareVersion,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   541, HardwareVariant,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   542, FCLibRevMajor,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   543, FCLibRevMinor,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   544, FCLibRevFix,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   545, reserved545,                   uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,   548, FCActiveLinkSpeed,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   549, FCConfigLinkSpeed,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   550, reserved550,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   552, mibState,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   553, mibStatus,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   554, externalFCLinkUp,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   555, dualIDValid,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   556, dualFCNodeWWN,                 uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   564, dualFCPortWWN,                 uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   572, dualFCAddr,                    uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   576, dualFCLoopID,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   577, reserved577,                   uint8_t,                   47, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FC_INFO, 624)

// An iSCSI port. With ipVersion 4 each address is the IPv4 word in the last 4 bytes of its field.
// clang-format off
#define CAPI_iSCSI_INFO_FIELDS(F, S) \
    F(S,     0, ipVersion,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, linkUp,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, activeLinkSpeed,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, configLinkSpeed,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     4, ipAddr,                        uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,    20, ipNetmask,                     uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,    36, ipGateway,                     uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,    52, servicePort,                   int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,    56, hardwareAddr,                  uint8_t,                    6, Bytes,  No,  nullptr, None) \
    F(S,    62, reserved62,                    uint8_t,                  226, Bytes,  No,  nullptr, None) \
    F(S,   288, hardwareVersion,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   289, hardwareVariant,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   290, libRevMajor,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   291, libRevMinor,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   292, libRevFix,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   293, activeDuplex,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   294, configDuplex,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   295, reserved295,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   296, dualIDValid,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   297, reserved297,                   uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,   300, dualIPaddr,                    uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,   316, dualIPnetmask,                 uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,   332, dualIPgateway,                 uint8_t[16],                1, Ip16,   Yes, nullptr, None) \
    F(S,   348, dualServicePort,               int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,   352, reserved352,                   uint8_t,                  272, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_iSCSI_INFO, 624)

// Bus type 7: only the converted words are known.
// clang-format off
#define CAPI_CHANNEL_TYPE7_INFO_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, value4,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, value6,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     8, reserved8,                     uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    12, value12,                       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    16, reserved16,                    uint8_t,                  608, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CHANNEL_TYPE7_INFO, 624)

// SAS: carried as it is.
// clang-format off
#define CAPI_SAS_INFO_FIELDS(F, S) \
    F(S,     0, data,                          uint8_t,                  624, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SAS_INFO, 624)

// The bus-specific information of a channel: one of four layouts, picked by the channel's bus type.
// clang-format off
#define CAPI_CHANNEL_INFO_UNION_VARIANTS(V, U) \
    V(U, 6, fc, CAPI_FC_INFO)                 \
    V(U, 7, type7, CAPI_CHANNEL_TYPE7_INFO)   \
    V(U, 8, sas, CAPI_SAS_INFO)               \
    V(U, 9, iscsi, CAPI_iSCSI_INFO)
// clang-format on
CAPI_UNION(CAPI_CHANNEL_INFO_UNION, 624)

// clang-format off
#define CAPI_FC_PARAMS_FIELDS(F, S) \
    F(S,     0, forcePrivateLoop,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, topology,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, linkSpeed,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, reserved3,                     uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,     4, multiTargetId,                 uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    20, reserved20,                    uint8_t,                   84, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FC_PARAMS, 104)

// The bus-specific channel settings: only the Fibre Channel layout exists, whatever the bus type.
// clang-format off
#define CAPI_CHANNEL_PARAMS_UNION_VARIANTS(V, U) \
    V(U, ::capi::kAnySelector, fc, CAPI_FC_PARAMS)
// clang-format on
CAPI_UNION(CAPI_CHANNEL_PARAMS_UNION, 104)

// A channel's settings (include type 19; two copies in every channel).
// clang-format off
#define CAPI_CHANNEL_PARAMS_FIELDS(F, S) \
    F(S,     0, busParams,                     CAPI_CHANNEL_PARAMS_UNION,    1, Union,  No,  nullptr, None) \
    F(S,   104, id,                            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   105, numIds,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   106, capiUnitEnable,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   107, capiUnitAutoSettingEnable,     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   108, capiUnitNum,                   uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,   110, capiTargetId,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   111, disable,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   112, environUnitEnable,             uint8_t,                   10, Bytes,  No,  nullptr, None) \
    F(S,   122, environUnitEnableBitmap,       uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,   124, environUnitAutoSettingEnable,  uint8_t,                   10, Bytes,  No,  nullptr, None) \
    F(S,   134, environUnitAutoSettingEnableBitmap, uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,   136, environUnitNum,                uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   144, reserved144,                   uint8_t,                   84, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_CHANNEL_PARAMS, 228)

// One host or drive channel; its busType picks the layout of its information union.
// clang-format off
#define CAPI_CHANNEL_FIELDS(F, S) \
    F(S,     0, value0,                        uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, enabled,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     5, canDisable,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     6, reserved6,                     uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,     8, driveReference,                uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    16, reserved16,                    uint8_t,                  120, Bytes,  No,  nullptr, None) \
    F(S,   136, channelInfo,                   CAPI_CHANNEL_INFO_UNION,    1, Union,  Yes, nullptr, None) \
    F(S,   760, params1,                       CAPI_CHANNEL_PARAMS,        1, Struct, Yes, nullptr, None) \
    F(S,   988, params2,                       CAPI_CHANNEL_PARAMS,        1, Struct, Yes, nullptr, None) \
    F(S,  1216, busType,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1217, reserved1217,                  uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,  1218, state,                         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1219, maxDrives,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1220, numDrives,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1221, hwChannelNumber,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1222, hwModuleDisplayNumber,         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1223, hwModuleNumber,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1224, iosCounter,                    uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1228, sectorsCounter,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1232, health,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1233, healthReason,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1234, reserved1234,                  uint8_t,                   50, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT_WITH_SELECTOR(CAPI_CHANNEL, 1284, 1216, 0)
