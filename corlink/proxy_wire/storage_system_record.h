// The storage-system record of the GET_STORAGESYSTEMS reply: one controller pair as a client sees it.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/struct_desc.h"

// One controller of the pair as a storage system shows it; all zero when the controller is missing.
// clang-format off
#define STORAGE_SYSTEM_CONTROLLER_FIELDS(F, S) \
    F(S,     0, currentIp,                   uint8_t,                  4, Bytes, No,  nullptr, None) \
    F(S,     4, currentMask,                 uint8_t,                  4, Bytes, No,  nullptr, None) \
    F(S,     8, gateway,                     uint8_t,                  4, Bytes, No,  nullptr, None) \
    F(S,    12, serialNumberLength,          uint8_t,                  1, U8,    No,  nullptr, None) \
    F(S,    13, dhcpEnable,                  uint8_t,                  1, U8,    No,  nullptr, None) \
    F(S,    14, reserved14,                  uint8_t,                  2, Bytes, No,  nullptr, None) \
    F(S,    16, serialNumber,                uint8_t,                 32, Bytes, No,  nullptr, None) \
    F(S,    48, currentNodeWWN,              uint8_t,                  8, Bytes, No,  nullptr, None) \
    F(S,    56, manufacturer,                char,                    20, Chars, No,  nullptr, None) \
    F(S,    76, model,                       char,                    20, Chars, No,  nullptr, None) \
    F(S,    96, timeDate,                    uint32_t,                 1, U32,   No,  nullptr, None)
// clang-format on
CAPI_STRUCT(STORAGE_SYSTEM_CONTROLLER, 100)

// Travels in host order except authenticated and the two handles, which the reply converts.
// clang-format off
#define STORAGE_SYSTEM_FIELDS(F, S) \
    F(S,     0, UniqueSN,                    char,                    32, Chars, No,  nullptr, None) \
    F(S,    32, systemName,                  char,                    80, Chars, No,  nullptr, None) \
    F(S,   112, authenticated,               uint32_t,                 1, U32,   Yes, nullptr, None) \
    F(S,   116, password,                    char,                    32, Chars, No,  nullptr, None) \
    F(S,   148, controllerHandleA,           uint32_t,                 1, U32,   Yes, nullptr, None) \
    F(S,   152, controllerHandleB,           uint32_t,                 1, U32,   Yes, nullptr, None) \
    F(S,   156, controllerA,                 STORAGE_SYSTEM_CONTROLLER, 1, Struct, No, nullptr, None) \
    F(S,   256, controllerB,                 STORAGE_SYSTEM_CONTROLLER, 1, Struct, No, nullptr, None) \
    F(S,   356, reserved356,                 uint8_t,                 36, Bytes, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(STORAGE_SYSTEM, 392)

constexpr uint32_t STORAGE_SYSTEM_TABLE_SIZE = 64;  // records in the proxy's table and in the reply
