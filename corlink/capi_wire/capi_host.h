// Host access control: known hosts, nicknames, the host table, host parameters, mappings, the two
// view tables, and the authentication-database and login records.
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// One host port the controller has seen.
// clang-format off
#define CAPI_KNOWN_HOST_FIELDS(F, S) \
    F(S,     0, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,    48, reserved48,            uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    64, value64,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    68, reserved68,            uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,    70, value70,               uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    72, value72,               uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    74, value74,               uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    76, reserved76,            uint8_t,                  120, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_KNOWN_HOST, 196)

// Include type 29, reply 386.
// clang-format off
#define CAPI_KNOWN_HOST_LIST_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, hosts,                 CAPI_KNOWN_HOST,           64, Struct, Yes, nullptr, None) \
    F(S, 12548, reserved12548,         uint8_t,                   32, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_KNOWN_HOST_LIST, 12580)

// Include type 58, reply 2163.
// clang-format off
#define CAPI_UNIFIED_KNOWN_HOST_LIST_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, hosts,                 CAPI_KNOWN_HOST,          255, Struct, Yes, nullptr, None) \
    F(S, 49984, reserved49984,         uint8_t,                   32, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_UNIFIED_KNOWN_HOST_LIST, 50016)

// Include type 33.
// clang-format off
#define CAPI_HOST_NICKNAME_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                   80, Bytes,  No,  nullptr, None) \
    F(S,    80, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,   128, reserved128,           uint8_t,                  256, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_HOST_NICKNAME, 384)

// Include type 34, replies 394 and 2164.
// clang-format off
#define CAPI_HOST_NICKNAME_LIST_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, hosts,                 CAPI_KNOWN_HOST,           64, Struct, Yes, nullptr, None) \
    F(S, 12548, reserved12548,         uint8_t,                 14400, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_HOST_NICKNAME_LIST, 26948)

// Include type 25, replies 375 and 2150.
// clang-format off
#define CAPI_HOST_TABLE_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                   20, Bytes,  No,  nullptr, None) \
    F(S,    20, hosts,                 CAPI_FLEX_ID,              31, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_HOST_TABLE, 1508)

// Include type 26.
// clang-format off
#define CAPI_HOST_PARAMS_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,    80, reserved80,            uint8_t,                   40, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_HOST_PARAMS, 120)

// clang-format off
#define CAPI_FLEX_HOST_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, knownHost,             CAPI_KNOWN_HOST,            1, Struct, Yes, nullptr, None) \
    F(S,   200, reserved200,           uint8_t,                  792, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FLEX_HOST, 992)

// Reply 2281; the size of include type 102.
// clang-format off
#define CAPI_FLEX_HOST_LIST_FIELDS(F, S) \
    F(S,     0, value0,                uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, reserved4,             uint8_t,                   68, Bytes,  No,  nullptr, None) \
    F(S,    72, hosts,                 CAPI_FLEX_HOST,            64, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FLEX_HOST_LIST, 63560)

// Include type 14, reply 364.
// clang-format off
#define CAPI_ADVANCED_UNIT_MAPPING_FIELDS(F, S) \
    F(S,     0, value0,                uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     2, value2,                uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     4, flexId1,               CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,    52, flexId2,               CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,   100, reserved100,           uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,   132, value132,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   136, value136,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   140, value140,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   144, value144,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   148, reserved148,           uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,   152, value152,              uint32_t,                   7, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ADVANCED_UNIT_MAPPING, 180)

// Include type 63.
// clang-format off
#define CAPI_MAP_UNMAP_PARAMS_FIELDS(F, S) \
    F(S,     0, partitionSerialNumber, uint8_t,                   16, Bytes,  No,  nullptr, None) \
    F(S,    16, mapping,               CAPI_PARTITION_MAP,         1, Struct, Yes, nullptr, None) \
    F(S,    28, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,    76, value76,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    80, reserved80,            uint8_t,                  324, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MAP_UNMAP_PARAMS, 404)

// Include type 64.
// clang-format off
#define CAPI_GET_HOST_VIEW_PARAMS_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                    4, Bytes,  No,  nullptr, None) \
    F(S,     4, flexId,                CAPI_FLEX_ID,               1, Struct, Yes, nullptr, None) \
    F(S,    52, value52,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    56, value56,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    60, value60,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    64, value64,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    68, reserved68,            uint8_t,                  264, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_GET_HOST_VIEW_PARAMS, 332)

// Include type 66, reply 2182. Only the first 512 partition entries convert; room for 2,048 follows.
// clang-format off
#define CAPI_HOST_VIEW_TABLE_FIELDS(F, S) \
    F(S,     0, numWWNs,               uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, wwns,                  uint8_t[8],               128, Bytes,  No,  nullptr, None) \
    F(S,  1028, flags,                 uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,  1032, owner,                 uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,  1033, reserved1033,          uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,  1036, numPartitions,         uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,  1038, reserved1038,          uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,  1040, partitions,            CAPI_PARTITION_SN_AND_MAP,  512, Struct, Yes, nullptr, None) \
    F(S, 15376, reserved15376,         uint8_t,                 43008, Bytes,  No,  nullptr, None) \
    F(S, 58384, hostPorts,             CAPI_FLEX_ID,             128, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_HOST_VIEW_TABLE, 64528)

// Include type 65, reply 2181.
// clang-format off
#define CAPI_PARTITION_VIEW_TABLE_FIELDS(F, S) \
    F(S,     0, partitionSerialNumber, CAPI_SERIAL_NUMBER,         1, Struct, No,  nullptr, None) \
    F(S,    16, defaultMapping,        CAPI_PARTITION_MAP,         1, Struct, Yes, nullptr, None) \
    F(S,    28, numHosts,              uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,    30, reserved30,            uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,    32, wwn,                   uint8_t[8],               128, Bytes,  No,  nullptr, None) \
    F(S,  1056, mappings,              CAPI_PARTITION_MAP,       128, Struct, Yes, nullptr, None) \
    F(S,  2592, hostPorts,             CAPI_FLEX_ID,             128, Struct, Yes, nullptr, None) \
    F(S,  8736, iscsiNames,            char[224],                128, Chars,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_PARTITION_VIEW_TABLE, 37408)

// Include types 97 and 98: only the word at 228 converts; the secrets pass through as they are.
// clang-format off
#define CAPI_AUTHDB_RECORD_FIELDS(F, S) \
    F(S,     0, reserved0,             uint8_t,                  228, Bytes,  No,  nullptr, None) \
    F(S,   228, value228,              uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,   232, reserved232,           uint8_t,                  788, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_AUTHDB_RECORD, 1020)

// Include type 23: filled by the caller, nothing converts.
// clang-format off
#define CAPI_LOGIN_PARAMS_FIELDS(F, S) \
    F(S,     0, data,                  uint8_t,                   48, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_LOGIN_PARAMS, 48)
