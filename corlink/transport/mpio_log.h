// The log of the multipath path choice: one debug-log line per call, at a level of the Options switch.
#pragma once

#include <cstdint>

#include "corlink/foundation/log.h"

// Formats into 512 bytes (longer text is cut) and writes one line; errno is left as it was.
void MpioLog(const char* format, ...) CORLINK_PRINTF(1, 2);
// As MpioLog when the multipath log level is at least minLevel.
void MpioLogAt(uint32_t minLevel, const char* format, ...) CORLINK_PRINTF(2, 3);
