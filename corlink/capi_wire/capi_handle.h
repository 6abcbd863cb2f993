// The controller handle: how the CAPI library, the proxy's commands and their clients name one controller.
#pragma once

#include <cstdint>

// (database index + 1) x 256; the low byte is not part of the index. 0 is no controller.
using CAPI_HANDLE = uint32_t;
constexpr uint32_t CAPI_MAX_CONTROLLERS = 64;
constexpr CAPI_HANDLE CAPI_HANDLE_STEP = 256;
constexpr CAPI_HANDLE CAPI_NO_HANDLE = 0xFFFFFFFF;  // "no controller" answer of the enumeration
