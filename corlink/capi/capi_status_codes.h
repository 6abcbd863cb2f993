// The CAPI library's own results (0 to 7), each with the text the status table prints.
#pragma once

#include <cstdint>

// clang-format off
#define CAPI_STATUS_LIST(X)                                                   \
    X(0, GOOD, "CAPI_STATUS_GOOD; value is 0.")                               \
    X(1, NOT_SUPPORTED, "CAPI_STATUS_NOT_SUPPORTED; value is 1.")             \
    X(2, INVALID_PARAM, "CAPI_STATUS_INVALID_PARAM; value is 2.")             \
    X(3, NOT_IMPLEMENTED, "CAPI_STATUS_NOT_IMPLEMENTED; value is 3.")         \
    X(4, COMMUNICATION_ERROR, "CAPI_STATUS_COMMUNICATION_ERROR, value is 4.") \
    X(5, LINK_BUSY, "CAPI_STATUS_LINK_BUSY; value is 5.")                     \
    X(6, NULL_POINTER, "CAPI_STATUS_NULL_POINTER; value is 6.")               \
    X(7, FIRMWARE_DOWNLOAD_ERROR, "CAPI_STATUS_FIRMWARE_DOWNLOAD_ERROR, value is 7.")
// clang-format on

#define CAPI_DEFINE_STATUS_CONSTANT(code, name, text) inline constexpr int32_t CAPI_STATUS_##name = code;
CAPI_STATUS_LIST(CAPI_DEFINE_STATUS_CONSTANT)
#undef CAPI_DEFINE_STATUS_CONSTANT

inline constexpr int32_t CAPI_STATUS_COUNT = 8;
