#include "provider/controllers/provider_events.h"

#include <clocale>
#include <cstdarg>

#include "platform/system/application_event_log.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_registry.h"

namespace {

constexpr size_t kEventChars = 256;

void Report(WORD type, const WCHAR* format, va_list args) {
    WCHAR message[kEventChars];
    _vswprintf_p(message, kEventChars, format, args);
    HANDLE source = RegisterEventSourceA(nullptr, kProviderEventSource);
    if (source != nullptr) {
        const WCHAR* strings[1] = {message};
        ReportEventW(source, type, 0, kProviderEventId, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(source);
    }
    if (type == EVENTLOG_ERROR_TYPE) {
        BVSS_DebugPrint(L"Logging Error Event \"%s\".\n", message);
    } else {
        BVSS_DebugPrint(L"Logging Event \"%s\".\n", message);
    }
}

void LogLocale() {
    BVSS_DebugPrint(L"LogErrorEvent: Current Locale is: %S\n", std::setlocale(LC_ALL, nullptr));
}

}  // namespace

void LogEvent(const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    Report(EVENTLOG_INFORMATION_TYPE, format, args);
    va_end(args);
}

void LogErrorEvent(const WCHAR* format, ...) {
    LogLocale();
    va_list args;
    va_start(args, format);
    Report(EVENTLOG_ERROR_TYPE, format, args);
    va_end(args);
}

void LogErrorEventNarrowFormat(const char* format, ...) {
    WCHAR wideFormat[kEventChars] = {};
    if (MultiByteToWideChar(CP_ACP, 0, format, -1, wideFormat, kEventChars) == 0) wideFormat[0] = 0;
    LogLocale();
    va_list args;
    va_start(args, format);
    Report(EVENTLOG_ERROR_TYPE, wideFormat, args);
    va_end(args);
}
