// Small records that many CAPI structures embed: object addresses, 64-bit quantities, serial
// numbers, drive locations, host port identities and partition mappings.
#pragma once

#include "corlink/capi_wire/struct_desc.h"

// The object address of a command, a reply and an event; -1 in a selector that is not used.
// clang-format off
#define CAPI_ADDRESS_FIELDS(F, S) \
    F(S,     0, controllerHandle,   uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, arrayIndex,         uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, channelIndex,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, driveIndex,         uint32_t,                   1, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_ADDRESS, 16)

// A 64-bit quantity as two 32-bit words, low word first; each word converts on its own.
// clang-format off
#define CAPI_U64_FIELDS(F, S) \
    F(S,     0, longs,              uint32_t,                   2, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_U64, 8)

// clang-format off
#define CAPI_SERIAL_NUMBER_FIELDS(F, S) \
    F(S,     0, sn,                 uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_SERIAL_NUMBER, 16)

// The selector of most unified commands: the object's 32-byte serial number, then zeros.
// clang-format off
#define CAPI_OBJECT_ID_FIELDS(F, S) \
    F(S,     0, serialNumber,       uint8_t,                   32, Bytes,  No,  nullptr, None) \
    F(S,    32, zeros,              uint8_t,                   40, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_OBJECT_ID, 72)

// clang-format off
#define CAPI_MEMORY_FIELDS(F, S) \
    F(S,     0, size,               uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     2, ECCprotected,       uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     3, reserved3,          uint8_t,                    1, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MEMORY, 4)

// clang-format off
#define CAPI_DRIVE_LOCATION_FIELDS(F, S) \
    F(S,     0, channelIndex,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, driveIndex,         uint32_t,                   1, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_DRIVE_LOCATION, 8)

// Byte 13 of a member drive holds its state, coded differently by the two controller generations.
union CAPI_MEMBER_DRIVE_STATE {
    uint8_t k640;
    uint8_t vandrel;
};
static_assert(sizeof(CAPI_MEMBER_DRIVE_STATE) == 1);

// clang-format off
#define CAPI_MEMBER_DRIVE_FIELDS(F, S) \
    F(S,     0, reserved_memberUDN, uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     4, driveLocation,      CAPI_DRIVE_LOCATION,        1, Struct, Yes, nullptr, None) \
    F(S,    12, utilityRunning,     uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,    13, state,              CAPI_MEMBER_DRIVE_STATE,    1, Bytes,  No,  nullptr, None) \
    F(S,    14, reserved14,         uint8_t,                    2, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_MEMBER_DRIVE, 16)

// The identity of a host port (an initiator).
// clang-format off
#define CAPI_FLEX_ID_FIELDS(F, S) \
    F(S,     0, type,               uint8_t,                    1, U8,     No,  nullptr, None) \
    F(S,     1, reserved1,          uint8_t,                    3, Bytes,  No,  nullptr, None) \
    F(S,     4, channelIndex,       uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,     8, deviceId,           uint32_t,                   1, U32,    Yes, nullptr, None) \
    F(S,    12, FCNodeWWN,          uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    20, FCPortWWN,          uint8_t,                    8, Bytes,  No,  nullptr, None) \
    F(S,    28, unitNum,            int32_t,                    1, I32,    Yes, nullptr, None) \
    F(S,    32, reserved32,         uint8_t,                   16, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_FLEX_ID, 48)

// clang-format off
#define CAPI_PARTITION_MAP_FIELDS(F, S) \
    F(S,     0, hlun,               uint16_t,                   1, U16,    Yes, nullptr, None) \
    F(S,     2, reserved2,          uint8_t,                    2, Bytes,  No,  nullptr, None) \
    F(S,     4, flags,              uint8_t,                    8, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_PARTITION_MAP, 12)

// A channel's flags byte of a partition map presents the partition on that channel when both top bits are
// set (0xC0 read-write, 0xE0 read-only, 0xCC as mapped in controller mode 8); a byte below 0xC0 does not.
constexpr uint8_t CAPI_MAP_FLAGS_MAPPED = 0xC0;
constexpr bool CapiChannelFlagsMapped(uint8_t flags) {
    return (flags & CAPI_MAP_FLAGS_MAPPED) == CAPI_MAP_FLAGS_MAPPED;
}

// clang-format off
#define CAPI_PARTITION_SN_AND_MAP_FIELDS(F, S) \
    F(S,     0, sn,                 CAPI_SERIAL_NUMBER,         1, Struct, No,  nullptr, None) \
    F(S,    16, map,                CAPI_PARTITION_MAP,         1, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_PARTITION_SN_AND_MAP, 28)
