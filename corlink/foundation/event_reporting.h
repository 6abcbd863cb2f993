// Records in the Windows application event log under the source "corlink4".
#pragma once

#include <cstdint>

#include "platform/win_types.h"

constexpr DWORD CORLINK_EVENT_INFO = 0x40000201;   // every record but the transfer-size error
constexpr DWORD CORLINK_EVENT_ERROR = 0xC0000202;  // the transfer-size error
constexpr const char* CORLINK_EVENT_SOURCE = "corlink4";

// One record: the text (control characters blanked in place), the code as 4 bytes of data. Returns 1
// when the source cannot be registered, else the result of deregistering it.
int WriteEventLog(char* text, uint16_t type, DWORD eventId, uint32_t code, const char* source);
int EventLogError(char* text, uint32_t code);
int EventLogWarning(char* text, uint32_t code);
int EventLogInfo(char* text, uint32_t code);

// The event source key with the message file and the supported types.
void EventLogRegisterSource(const char* messageFile);
void EventLogRemoveSource();
