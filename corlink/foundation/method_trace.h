// The method trace line of the server's classes: the method's name, its source file and line.
#pragma once

#include "corlink/foundation/log.h"

namespace corlink_trace {
// The file name without its directories.
constexpr const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    return base;
}
}  // namespace corlink_trace

#define METHOD_TRACE(name) DebugPrint("%s, %s, %d\n", (name), corlink_trace::BaseName(__FILE__), __LINE__)
