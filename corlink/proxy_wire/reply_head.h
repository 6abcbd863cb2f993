// The head of every proxy reply buffer, the proxy's own error codes, and the converter of the head.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/struct_desc.h"

// Status (0 the handler ran, -1 refused) and code: two 32-bit words at the start of the buffer,
// big-endian on the wire.
// clang-format off
#define RRE_HEAD_FIELDS(F, S) \
    F(S,     0, status,                      int32_t,                  1, I32,   Yes, nullptr, None) \
    F(S,     4, code,                        uint32_t,                 1, U32,   Yes, nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_HEAD, 8)

constexpr uint32_t RRE_REPLY_HEAD_LENGTH = sizeof(RRE_HEAD);

constexpr uint32_t RRE_ERROR_WRONG_COMMAND = 0x02081005;
constexpr uint32_t RRE_ERROR_WRONG_LENGTH = 0x02081006;
constexpr uint32_t RRE_ERROR_NO_CONTROLLER = 0x02081008;
constexpr uint32_t RRE_ERROR_BAD_DRIVE = 0x0208100A;
constexpr uint32_t RRE_ERROR_CHANGE_REFUSED = 0x0208100D;
constexpr uint32_t RRE_ERROR_OWNER_REFUSED = 0x0208100E;
constexpr uint32_t RRE_ERROR_UNKNOWN_COMMAND = 0x02080A07;
constexpr uint32_t RRE_ERROR_BAD_LENGTH = 0x02080A09;
constexpr uint32_t RRE_STATUS_NOT_INITIALIZED = 0x03070901;
constexpr uint32_t RRE_ERROR_NO_MUTEX = 0x01071502;
constexpr uint32_t RRE_ERROR_MUTEX_WAIT = 0x01071501;

// Converts the code word and then the status word in place; every PackRre converter but GET_CONTROLLER's
// begins with it.
void PackRreHeader(int32_t mode, uint8_t* buffer);
