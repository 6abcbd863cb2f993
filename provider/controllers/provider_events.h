// The provider's records in the application event log (source and event id in provider_registry.h): one
// insert string each, formatted with numbered fields ("%1$s(): Capi Error 0x%2$08X (%3$S) ...").
#pragma once

#include "platform/system/wide_text.h"

void LogEvent(const WCHAR* format, ...);
void LogErrorEvent(const WCHAR* format, ...);
// The same for a narrow format, converted to wide text first (%s then takes wide text, %S narrow).
void LogErrorEventNarrowFormat(const char* format, ...);

// Sets the C library's locale from the system's default locale.
void LangInit();

// Logs the system's text of a Windows error code.
void printWindowsError(DWORD error);
