// The application event log: <root>/eventlog/Application.log, one line per record.
#pragma once

#include <string>

#include "platform/win_types.h"

constexpr WORD EVENTLOG_SUCCESS = 0;
constexpr WORD EVENTLOG_ERROR_TYPE = 1;
constexpr WORD EVENTLOG_WARNING_TYPE = 2;
constexpr WORD EVENTLOG_INFORMATION_TYPE = 4;

HANDLE RegisterEventSourceA(LPCSTR server, LPCSTR source);
// Appends "<UTC time>\t<source>\t<type>\t0x<event id>\t<strings joined by '|'>\t<data as hex>\n".
BOOL ReportEventA(HANDLE eventLog, WORD type, WORD category, DWORD eventId, void* userSid, WORD numStrings,
                  DWORD dataSize, LPCSTR* strings, LPVOID rawData);
BOOL DeregisterEventSource(HANDLE eventLog);

namespace platform {
// The file the records go to.
std::string EventLogPath();
}  // namespace platform

// ReportEventA with the strings converted from wide text.
BOOL ReportEventW(HANDLE eventLog, WORD type, WORD category, DWORD eventId, void* userSid, WORD numStrings,
                  DWORD dataSize, const wchar_t** strings, LPVOID rawData);
