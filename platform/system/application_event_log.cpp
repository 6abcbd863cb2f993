#include "platform/system/application_event_log.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files/machine_root.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/system/wide_text.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"

namespace {

class EventSource final : public platform::Object {
  public:
    explicit EventSource(std::string name) : name(std::move(name)) {}
    std::string name;
};

std::mutex g_appendLock;

}  // namespace

namespace platform {
std::string EventLogPath() { return MachineRoot() + "/eventlog/Application.log"; }
}  // namespace platform

HANDLE RegisterEventSourceA(LPCSTR, LPCSTR source) {
    if (source == nullptr || *source == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return platform::NewHandle(std::make_shared<EventSource>(source));
}

BOOL ReportEventA(HANDLE eventLog, WORD type, WORD category, DWORD eventId, void*, WORD numStrings,
                  DWORD dataSize, LPCSTR* strings, LPVOID rawData) {
    auto source = platform::LookupHandleAs<EventSource>(eventLog);
    if (!source) return FALSE;
    SYSTEMTIME t;
    GetSystemTime(&t);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    std::string line = std::string(stamp) + "\t" + source->name + "\t" + std::to_string(type) + "\t";
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", eventId);
    line += id;
    line += "\t";
    (void)category;
    for (WORD i = 0; i < numStrings && strings != nullptr; ++i) {
        if (i != 0) line += "|";
        for (const char* p = strings[i]; p != nullptr && *p != '\0'; ++p) {
            // One record is one line: line ends inside a text are written as blanks.
            line += (*p == '\n' || *p == '\r') ? ' ' : *p;
        }
    }
    line += "\t";
    const unsigned char* data = static_cast<const unsigned char*>(rawData);
    for (DWORD i = 0; i < dataSize && data != nullptr; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", data[i]);
        line += hex;
    }
    line += "\n";

    std::lock_guard<std::mutex> g(g_appendLock);
    std::string dir = platform::MachineRoot() + "/eventlog";
    if (!platform::MakeDirectories(dir)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    FILE* f = std::fopen(platform::EventLogPath().c_str(), "a");
    if (f == nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    bool ok = std::fputs(line.c_str(), f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok ? TRUE : FALSE;
}

BOOL DeregisterEventSource(HANDLE eventLog) { return CloseHandle(eventLog); }

BOOL ReportEventW(HANDLE eventLog, WORD type, WORD category, DWORD eventId, void* userSid, WORD numStrings,
                  DWORD dataSize, const wchar_t** strings, LPVOID rawData) {
    std::vector<std::string> narrow;
    std::vector<LPCSTR> pointers;
    for (WORD i = 0; i < numStrings && strings != nullptr; ++i) {
        narrow.push_back(platform::NarrowText(strings[i]));
    }
    for (const std::string& text : narrow) pointers.push_back(text.c_str());
    return ReportEventA(eventLog, type, category, eventId, userSid, static_cast<WORD>(pointers.size()),
                        dataSize, pointers.data(), rawData);
}
