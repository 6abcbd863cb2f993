// The proxy's assertion: a failed condition is logged and execution goes on.
#pragma once

#include "corlink/foundation/log.h"

// Logs "ERROR: assertion failed! (<text>) at <file> line <line>" when the condition fails.
#define OS_ASSERT_TEXT(condition, text)                                                            \
    do {                                                                                           \
        if (!(condition))                                                                          \
            DebugPrint("ERROR: assertion failed! (%s) at %s line %d\n", text, __FILE__, __LINE__); \
    } while (0)

#define OS_ASSERT(condition) OS_ASSERT_TEXT(condition, #condition)
