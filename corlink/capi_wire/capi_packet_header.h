// The 80-byte header of every CAPI packet. In a packet every field is in the host's little-endian
// order; the header's converter runs in the CAPI modes, which change nothing.
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// clang-format off
#define CAPI_PACKET_HEADER_FIELDS(F, S) \
    F(S,     0, reserved0,                     uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     1, reserved1,                     uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     2, versionMajor,                  uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     3, versionMinor,                  uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     4, acceptCompressed,              uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     5, includeCompressed,             uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     6, reserved6,                     uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     7, reserved7,                     uint8_t,         1, U8,     No,  nullptr, None) \
    F(S,     8, signature,                     char,            4, Chars,  No,  nullptr, None) \
    F(S,    12, includeStructType,             uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    16, commandCode,                   uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    20, address,                       CAPI_ADDRESS,    1, Struct, Yes, nullptr, None) \
    F(S,    36, configSequenceNumber,          uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    40, errorCode,                     uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    44, param1,                        uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    48, param2,                        uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    52, param3,                        uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    56, param4,                        uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    60, packetLength,                  uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    64, partCount,                     uint16_t,        1, U16,    No,  nullptr, None) \
    F(S,    66, partIndex,                     uint16_t,        1, U16,    No,  nullptr, None) \
    F(S,    68, arrayListConfigSequenceNumber, uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    72, param5,                        uint32_t,        1, U32,    Yes, nullptr, None) \
    F(S,    76, driveListConfigSequenceNumber, uint32_t,        1, U32,    Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_PACKET_HEADER, 80)
