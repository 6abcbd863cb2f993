// The Windows errors with which the simulated host's I/O controls fail.
#pragma once

#include "platform/win_types.h"

namespace sim {

constexpr DWORD kHostErrorDeviceGone = ERROR_DEV_NOT_EXIST;  // the LUN is no longer on the bus
constexpr DWORD kHostErrorNotSupported = 50;                 // ERROR_NOT_SUPPORTED
// ERROR_SEM_TIMEOUT: the command never completed
constexpr DWORD kHostErrorTimeout = 121;
constexpr DWORD kHostErrorBufferTooSmall = 122;  // ERROR_INSUFFICIENT_BUFFER
constexpr DWORD kHostErrorTooManyOpen = 4;       // ERROR_TOO_MANY_OPEN_FILES

}  // namespace sim
