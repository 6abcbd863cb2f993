// Drive enclosures: the enclosure record with its element arrays, its settings, and the advanced
// record with element descriptions and field-replaceable-unit identification.
#pragma once

#include "corlink/capi_wire/struct_desc.h"

// clang-format off
#define CAPI_ENCL_POWER_SUPPLY_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, reserved1,                     uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,     2, powerStatus,                   uint16_t,                   1, U16,    No,  nullptr, None) \
    F(S,     4, reserved4,                     uint8_t,                    4, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_POWER_SUPPLY, 8)

// clang-format off
#define CAPI_ENCL_COOLING_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, powerStatus,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, fanSpeed,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, reserved3,                     uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,     4, value4,                        uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, reserved6,                     uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_COOLING, 8)

// clang-format off
#define CAPI_ENCL_TEMP_SENSOR_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, temperature,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, reserved3,                     uint8_t,                    5, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_TEMP_SENSOR, 8)

// clang-format off
#define CAPI_ENCL_VOLTAGE_SENSOR_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, voltage,                       int16_t,                    1, I16,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_VOLTAGE_SENSOR, 4)

// One drive slot.
// clang-format off
#define CAPI_ENCL_DRIVE_FIELDS(F, S) \
    F(S,     0, serialNumber,                  uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, serialNumberLength,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    33, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    34, slotAddress,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    35, driveStatus,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    36, muxFirmwareRev,                uint8_t,                   12, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_DRIVE, 48)

// clang-format off
#define CAPI_ENCL_AUDIBLE_ALARM_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, alarmStatus,                   uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                    6, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_AUDIBLE_ALARM, 8)

// clang-format off
#define CAPI_ENCL_UPS_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, batteryStatus,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, reserved3,                     uint8_t,                    5, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_UPS, 8)

// clang-format off
#define CAPI_ENCL_PORT_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_PORT, 4)

// clang-format off
#define CAPI_ENCL_CURRENT_SENSOR_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_CURRENT_SENSOR, 4)

// clang-format off
#define CAPI_ENCL_PORT_BYPASS_FIELDS(F, S) \
    F(S,     0, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, extendedStatus,                uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, reserved2,                     uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_PORT_BYPASS, 4)

// Two SATA router information blocks; nothing converts.
// clang-format off
#define CAPI_ENCL_SPECIFIC_INFO_UNION_FIELDS(F, S) \
    F(S,     0, upperSataRouterInfoValid,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, upperSataRouterRev,            uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,     9, upperSataRouterDriveTargetId,  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    10, lowerSataRouterInfoValid,      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    11, lowerSataRouterRev,            uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    19, lowerSataRouterDriveTargetId,  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    20, reserved20,                    uint8_t,                   12, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ENCL_SPECIFIC_INFO_UNION, 32)

// One enclosure (include type 39; replies 407 and 2113). The count bytes at 176-185 say how many
// entries of each element array are in use; the arrays always occupy their full length.
// clang-format off
#define CAPI_DRIVE_ENCLOSURE_FIELDS(F, S) \
    F(S,     0, empSerialNumber,               uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, serialNumberLength,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    33, status,                        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    34, enclosureMgmtType,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    35, empConfigBad,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    36, enclosureWWN,                  uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    44, name,                          char,                      20, Chars,  No,  nullptr, None) \
    F(S,    64, vendorId,                      uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    72, productId,                     uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    88, productRev,                    uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,    92, vendorSpecificDescr,           char,                      64, Chars,  No,  nullptr, None) \
    F(S,   156, location,                      char,                      20, Chars,  No,  nullptr, None) \
    F(S,   176, numberPowerSupplies,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   177, numberCoolingElements,         uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   178, numberTempSensors,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   179, numberVoltageSensors,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   180, numberDiskDrives,              uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   181, numberAudibleAlarms,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   182, numberUpsElements,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   183, numberPortElements,            uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   184, numberCurrentSensors,          uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   185, numberPBCs,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   186, reserved186,                   uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,   188, numberValidEmpPaths,           uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   189, rackPosition,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   190, rackNumber,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,   191, reserved191,                   uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,   192, empPathWWN,                    uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   200, busId,                         uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   204, targetId,                      uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,   212, powerSupplies,                 CAPI_ENCL_POWER_SUPPLY,     4, Struct, No,  nullptr, None) \
    F(S,   244, coolingElements,               CAPI_ENCL_COOLING,          8, Struct, Yes, nullptr, None) \
    F(S,   308, tempSensors,                   CAPI_ENCL_TEMP_SENSOR,     20, Struct, No,  nullptr, None) \
    F(S,   468, voltageSensors,                CAPI_ENCL_VOLTAGE_SENSOR,   40, Struct, Yes, nullptr, None) \
    F(S,   628, drives,                        CAPI_ENCL_DRIVE,           64, Struct, No,  nullptr, None) \
    F(S,  3700, audibleAlarms,                 CAPI_ENCL_AUDIBLE_ALARM,    4, Struct, No,  nullptr, None) \
    F(S,  3732, otherProductRev,               uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,  3736, specificInfo,                  CAPI_ENCL_SPECIFIC_INFO_UNION,    1, Struct, No,  nullptr, None) \
    F(S,  3768, largeLun,                      uint32_t,                   4, U32,    Yes, nullptr, None) \
    F(S,  3784, upsElements,                   CAPI_ENCL_UPS,              4, Struct, No,  nullptr, None) \
    F(S,  3816, ports,                         CAPI_ENCL_PORT,            16, Struct, No,  nullptr, None) \
    F(S,  3880, currentSensors,                CAPI_ENCL_CURRENT_SENSOR,    8, Struct, No,  nullptr, None) \
    F(S,  3912, portBypasses,                  CAPI_ENCL_PORT_BYPASS,     40, Struct, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_ENCLOSURE, 4072)

// clang-format off
#define CAPI_DRIVE_ENCLOSURES_STRUCT_FIELDS(F, S) \
    F(S,     0, records,                       CAPI_DRIVE_ENCLOSURE,      16, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_ENCLOSURES_STRUCT, 65152)

// Include type 41: nothing converts.
// clang-format off
#define CAPI_DRIVE_ENCLOSURE_PARAMS_FIELDS(F, S) \
    F(S,     0, empSerialNumber,               uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, name,                          char,                      20, Chars,  No,  nullptr, None) \
    F(S,    52, location,                      char,                      20, Chars,  No,  nullptr, None) \
    F(S,    72, rackNumber,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    73, rackPosition,                  uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    74, reserved74,                    uint8_t,                  326, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_ENCLOSURE_PARAMS, 400)

// clang-format off
#define CAPI_FRUID_FIELD_DESCRIPTOR_FIELDS(F, S) \
    F(S,     0, fieldIndex,                    uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, fieldType,                     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, fieldOffset,                   uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     4, fieldLength,                   uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     6, fieldDescriptionLength,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     7, reserved7,                     uint8_t,                    9, Bytes,  No,  nullptr, None) \
    F(S,    16, fieldDescription,              char,                      16, Chars,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FRUID_FIELD_DESCRIPTOR, 32)

// clang-format off
#define CAPI_FRUID_CONFIGURATION_FEATURES_FIELDS(F, S) \
    F(S,     0, configurationFeaturesVersionMajor, uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, configurationFeaturesVersionMinor, uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     2, validity,                      uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     4, ecInquiryData,                 uint8_t,                   24, Bytes,  No,  nullptr, None) \
    F(S,    28, featureBits,                   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    32, scInquiryData,                 uint8_t,                   80, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FRUID_CONFIGURATION_FEATURES, 112)

// The identification data of one field-replaceable unit.
// clang-format off
#define CAPI_FRUID_INFO_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, oemOui,                        uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,    19, fruIdVersionMajor,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    20, fruIdVersionMinor,             uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    21, reserved21,                    uint8_t,                    1, Bytes,  No,  nullptr, None) \
    F(S,    22, fruType,                       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    23, snOffset,                      uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    24, reserved24,                    uint8_t,                   40, Bytes,  No,  nullptr, None) \
    F(S,    64, fieldDescriptors,              CAPI_FRUID_FIELD_DESCRIPTOR,   16, Struct, Yes, nullptr, None) \
    F(S,   576, reserved576,                   uint8_t,                  992, Bytes,  No,  nullptr, None) \
    F(S,  1568, supplierPn,                    char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1600, supplierSn,                    char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1632, supplierRev,                   char,                      16, Chars,  No,  nullptr, None) \
    F(S,  1648, configurationFeatures,         CAPI_FRUID_CONFIGURATION_FEATURES,    1, Struct, Yes, nullptr, None) \
    F(S,  1760, fruShortName,                  char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1792, fruIdLongDescription,          char,                      64, Chars,  No,  nullptr, None) \
    F(S,  1856, manufacturingLocation,         char,                      64, Chars,  No,  nullptr, None) \
    F(S,  1920, fruIdTemplateDocPn,            char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1952, pn,                            char,                      32, Chars,  No,  nullptr, None) \
    F(S,  1984, sn,                            char,                      32, Chars,  No,  nullptr, None) \
    F(S,  2016, rev,                           char,                      16, Chars,  No,  nullptr, None) \
    F(S,  2032, timeStamp,                     uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  2036, vendorId,                      uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,  2040, fruIdTemplateDocDashNum,       char,                       4, Chars,  No,  nullptr, None) \
    F(S,  2044, crc,                           uint32_t,                   1, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FRUID_INFO, 2048)

// Reply 2115; the size of include type 80.
// clang-format off
#define CAPI_ADVANCED_DRIVE_ENCLOSURE_FIELDS(F, S) \
    F(S,     0, enclosure,                     CAPI_DRIVE_ENCLOSURE,       1, Struct, Yes, nullptr, None) \
    F(S,  4072, params,                        CAPI_DRIVE_ENCLOSURE_PARAMS,    1, Struct, No,  nullptr, None) \
    F(S,  4472, powerSupplyDesc,               char[64],                   4, Chars,  No,  nullptr, None) \
    F(S,  4728, coolingElemDesc,               char[64],                   8, Chars,  No,  nullptr, None) \
    F(S,  5240, tempSensorDesc,                char[64],                  20, Chars,  No,  nullptr, None) \
    F(S,  6520, voltageSensorDesc,             char[64],                  40, Chars,  No,  nullptr, None) \
    F(S,  9080, diskDriveDesc,                 char[64],                  64, Chars,  No,  nullptr, None) \
    F(S, 13176, upsDesc,                       char[64],                   4, Chars,  No,  nullptr, None) \
    F(S, 13432, portDesc,                      char[64],                  16, Chars,  No,  nullptr, None) \
    F(S, 14456, currentSensorDesc,             char[64],                   8, Chars,  No,  nullptr, None) \
    F(S, 14968, portBypassDesc,                char[64],                  16, Chars,  No,  nullptr, None) \
    F(S, 15992, enclServicesDesc,              char[64],                  82, Chars,  No,  nullptr, None) \
    F(S, 21240, maxFrusInThisEnclosure,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21241, numFrusInThisEnclosure,        uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S, 21242, reserved21242,                 uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S, 21244, fruUnprotectedData,            uint8_t[16],               10, Bytes,  No,  nullptr, None) \
    F(S, 21404, fruidInfo,                     CAPI_FRUID_INFO,           10, Struct, Yes, nullptr, None) \
    F(S, 41884, fruDataValidity,               uint8_t,                   10, Bytes,  No,  nullptr, None) \
    F(S, 41894, reserved41894,                 uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ADVANCED_DRIVE_ENCLOSURE, 41896)
