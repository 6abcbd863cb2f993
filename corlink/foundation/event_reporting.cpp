#include "corlink/foundation/event_reporting.h"

#include <cstring>

#include "corlink/foundation/log.h"
#include "platform/windows_api.h"

namespace {
constexpr const char* kSourceKey = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\corlink4";
}

int WriteEventLog(char* text, uint16_t type, DWORD eventId, uint32_t code, const char* source) {
    HANDLE eventSource = RegisterEventSourceA(nullptr, source);
    if (text != nullptr) {
        for (char* p = text; *p != '\0'; ++p) {
            if (static_cast<unsigned char>(*p) < 0x20) *p = ' ';
        }
    }
    if (eventSource == nullptr) return 1;
    LPCSTR strings[1] = {text != nullptr ? text : ""};
    ReportEventA(eventSource, type, 0, eventId, nullptr, 1, sizeof code, strings, &code);
    return DeregisterEventSource(eventSource);
}

int EventLogError(char* text, uint32_t code) {
    return WriteEventLog(text, EVENTLOG_ERROR_TYPE, CORLINK_EVENT_INFO, code, CORLINK_EVENT_SOURCE);
}

int EventLogWarning(char* text, uint32_t code) {
    return WriteEventLog(text, EVENTLOG_WARNING_TYPE, CORLINK_EVENT_INFO, code, CORLINK_EVENT_SOURCE);
}

int EventLogInfo(char* text, uint32_t code) {
    return WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, code, CORLINK_EVENT_SOURCE);
}

void EventLogRegisterSource(const char* messageFile) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        DebugPrint("Unable to create registry key");
        return;
    }
    if (RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(messageFile),
                       static_cast<DWORD>(std::strlen(messageFile) + 1)) != ERROR_SUCCESS) {
        DebugPrint("Unable to create/set registryvalue (message DLL name)");
        RegCloseKey(key);
        return;
    }
    DWORD types = 7;
    if (RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                       sizeof types) != ERROR_SUCCESS) {
        DebugPrint("Unable to create/set registry value (message types)");
    }
    RegCloseKey(key);
}

void EventLogRemoveSource() {
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSourceKey) != ERROR_SUCCESS)
        DebugPrint("Unable to delete registry key");
}
