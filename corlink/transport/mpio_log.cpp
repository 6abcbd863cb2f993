#include "corlink/transport/mpio_log.h"

#include <cerrno>
#include <cstdarg>

#include "corlink/foundation/log_switches.h"

namespace {

void MpioLogV(const char* format, va_list args) {
    const int savedErrno = errno;
    char line[512];
    if (FormatArgs(line, sizeof line, format, args) >= 0) DebugPrint("%s\n", line);
    errno = savedErrno;
}

}  // namespace

void MpioLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    MpioLogV(format, args);
    va_end(args);
}

void MpioLogAt(uint32_t minLevel, const char* format, ...) {
    if (g_MultipathLogLevel.load() < minLevel) return;
    va_list args;
    va_start(args, format);
    MpioLogV(format, args);
    va_end(args);
}
