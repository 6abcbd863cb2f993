// Controller events: the event record and the event list.
#pragma once

#include "corlink/capi_wire/capi_shared.h"

// One event (include type 7). The meaning of bytes 56-103 depends on the event code.
// clang-format off
#define CAPI_EVENT_RECORD_FIELDS(F, S) \
    F(S,     0, sequenceNumber, uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,     4, value4,         uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,     8, eventCode,      uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,    12, status,         uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,    16, reserved16,     uint8_t,              4, Bytes,  No,  nullptr, None) \
    F(S,    20, address,        CAPI_ADDRESS,         1, Struct, Yes, nullptr, None) \
    F(S,    36, loopId,         uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,    40, params,         uint32_t,             4, U32,    Yes, nullptr, None) \
    F(S,    56, reserved56,     uint8_t,             16, Bytes,  No,  nullptr, None) \
    F(S,    72, reserved72,     uint8_t,             16, Bytes,  No,  nullptr, None) \
    F(S,    88, reserved88,     uint8_t,             16, Bytes,  No,  nullptr, None) \
    F(S,   104, reserved104,    uint8_t,             36, Bytes,  No,  nullptr, None) \
    F(S,   140, newLun,         uint32_t,             1, U32,    Yes, nullptr, None) \
    F(S,   144, reserved144,    uint8_t,             12, Bytes,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_EVENT_RECORD, 156)

// Include type 38.
// clang-format off
#define CAPI_EVENT_LIST_FIELDS(F, S) \
    F(S,     0, records,        CAPI_EVENT_RECORD,  416, Struct, Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(CAPI_EVENT_LIST, 64896)
