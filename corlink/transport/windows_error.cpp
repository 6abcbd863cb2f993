#include "corlink/transport/windows_error.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "platform/kernel/last_error.h"
#include "platform/system/application_event_log.h"

namespace {

// Written at most once per run, whatever the number of failing calls.
std::atomic<bool> g_TransferSizeErrorRaised{false};

constexpr char kTransferSizeText[] =
    "corlink requires that the HBA can handle 256KByte transfers. Ensure that the Qlogic HBA MaximumSGList "
    "parameter is 33 or higher or the Emulex HBA large_io parameter is set to 512.";

bool MeansDeviceGone(DWORD error) {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_FILE_NOT_FOUND || error == ERROR_DEV_NOT_EXIST;
}

bool MeansTransferTooLarge(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION;
}

void RaiseTransferSizeError(DWORD error) {
    if (g_TransferSizeErrorRaised.exchange(true)) return;
    char text[sizeof kTransferSizeText];
    std::memcpy(text, kTransferSizeText, sizeof text);
    WriteEventLog(text, EVENTLOG_ERROR_TYPE, CORLINK_EVENT_ERROR, error, CORLINK_EVENT_SOURCE);
}

}  // namespace

void ReportWindowsError() {
    const DWORD error = GetLastError();
    if (MeansDeviceGone(error)) g_DeviceGone = 1;
    if (MeansTransferTooLarge(error)) RaiseTransferSizeError(error);
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    if (length == 0) {
        DebugPrint("FormatMessage failed with error: %u, original error: %u\n", GetLastError(), error);
        return;
    }
    size_t n = strnlen(text, sizeof text - 1);
    if (n > 2 && text[n - 2] == '\r') text[n - 2] = '\0';
    DebugPrint("Windows OS call returned error %u: %s\n", error, text);
}
