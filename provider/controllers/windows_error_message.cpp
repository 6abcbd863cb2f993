#include "platform/kernel/last_error.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

void printWindowsError(DWORD error) {
    char text[160];
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr) != 0) {
        BVSS_DebugPrint(L"%S\n", text);
    } else {
        BVSS_DebugPrint(L"Format message failed.  Error: %d\n", GetLastError());
    }
}
