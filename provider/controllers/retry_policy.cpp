#include "provider/controllers/retry_policy.h"

#include <array>
#include <mutex>

#include "corlink/capi_wire/capi_error_codes.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/waitable_timer.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

namespace {

constexpr int32_t kNamedCodes = 247;
constexpr int32_t kLinkBusy = 5;  // CAPI_STATUS_LINK_BUSY
constexpr DWORD kBusyPauseStepMs = 100;
constexpr DWORD kFreeingPauseMs = 60000;
constexpr DWORD kWaitIoCompletion = 192;
constexpr DWORD kWaitAbandoned = 128;
// A return code the provider tests that the shared code list does not name.
constexpr int32_t CAPI_ERROR_ROLLBACK_RESOURCE_BEING_FREED = 206;

// How the policy treats a controller's return code.
struct CodeRule {
    int32_t code;
    HRESULT result;  // when the command ends with this code
    bool retried;    // up to 4 tries
    DWORD pauseMs;   // before the next try; kBusyPause: 100 ms times the tries so far
};
constexpr DWORD kBusyPause = ~DWORD{0};
constexpr CodeRule kRules[] = {
    // clang-format off
    {kLinkBusy, VSS_E_PROVIDER_VETO, true, kBusyPause},
    {CAPI_ERROR_EXCEED_MAX_SNAPSHOT, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, false, 0},
    {CAPI_ERROR_EXCEED_MAX_SNAPSHOT_PER_MASTER, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, false, 0},
    {CAPI_ERROR_INSUFFICIENT_DMS_RESOURCES, E_OUTOFMEMORY, true, kFreeingPauseMs},
    {CAPI_ERROR_FREEING_DMS_RESOURCES, VSS_E_INSUFFICIENT_STORAGE, true, kFreeingPauseMs},
    {CAPI_ERROR_INSUFFICIENT_VIB_RESOURCES_BUT_BEING_FREED, VSS_E_PROVIDER_VETO, true, kFreeingPauseMs},
    {CAPI_ERROR_INSUFFICIENT_VIB_RESOURCES, VSS_E_PROVIDER_VETO, true, kFreeingPauseMs},
    {CAPI_ERROR_INSUFFICIENT_VCB_RESOURCES_BUT_BEING_FREED, VSS_E_PROVIDER_VETO, true, kFreeingPauseMs},
    {CAPI_ERROR_INSUFFICIENT_VCB_RESOURCES, VSS_E_PROVIDER_VETO, true, kFreeingPauseMs},
    {CAPI_ERROR_INSUFFICIENT_PARTITION_RESOURCES, VSS_E_INSUFFICIENT_STORAGE, true, 0},
    {CAPI_ERROR_ROLLBACK_RESOURCE_BEING_FREED, E_OUTOFMEMORY, true, 0},
    // clang-format on
};
constexpr CodeRule kOtherCodes = {0, VSS_E_PROVIDER_VETO, true, 0};

const CodeRule& RuleOf(int32_t code) {
    for (const CodeRule& rule : kRules)
        if (rule.code == code) return rule;
    return kOtherCodes;
}

std::mutex g_timerLock;
HANDLE g_timer = nullptr;  // the controller layer's waitable timer, made at its first use

HANDLE Timer() {
    std::lock_guard<std::mutex> g(g_timerLock);
    if (g_timer == nullptr) g_timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    return g_timer;
}

}  // namespace

const char* CapiErrorName(int32_t code) {
    static const std::array<const char*, kNamedCodes> names = [] {
        std::array<const char*, kNamedCodes> table{};
        table[0] = "Error: CAPI_NO_ERROR";
#define CAPI_ERROR_NAME_ENTRY(value, name) \
    if ((value) < kNamedCodes) table[value] = "Error: CAPI_ERROR_" #name;
        CAPI_ERROR_LIST(CAPI_ERROR_NAME_ENTRY)
#undef CAPI_ERROR_NAME_ENTRY
        table[CAPI_ERROR_ROLLBACK_RESOURCE_BEING_FREED] = "Error: CAPI_ERROR_ROLLBACK_RESOURCE_BEING_FREED";
        return table;
    }();
    if (code < 0 || code >= kNamedCodes || names[static_cast<size_t>(code)] == nullptr)
        return "Error: unknown CAPI error code.";
    return names[static_cast<size_t>(code)];
}

HRESULT CAPISleep(DWORD milliseconds) {
    HRESULT result = S_OK;
    HANDLE timer = Timer();
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
    if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"CAPISleep(): Error %u from SetEvent().\n", error);
        printWindowsError(error);
        result = VSS_E_PROVIDER_VETO;
    } else {
        const DWORD wait = WaitForMultipleObjectsEx(1, &timer, FALSE, INFINITE, TRUE);
        if (wait == WAIT_FAILED) {
            printWindowsError(GetLastError());
            result = VSS_E_PROVIDER_VETO;
        } else if (wait == kWaitAbandoned || wait == kWaitIoCompletion) {
            BVSS_DebugPrint(L"CAPISleep(): Failure return %u from WaitForMultipleObjectsEx().\n", wait);
            result = VSS_E_PROVIDER_VETO;
        } else if (wait != WAIT_OBJECT_0) {
            BVSS_DebugPrint(L"CAPISleep(): Unexpected return %u from WaitForMultipleObjectsEx().\n", wait);
            result = VSS_E_PROVIDER_VETO;
        }
    }
    BVSS_DebugPrint(L"CAPISleep() returning 0x%08x\n", result);
    return result;
}

void CloseCapiSleepTimer() {
    std::lock_guard<std::mutex> g(g_timerLock);
    if (g_timer != nullptr) CloseHandle(g_timer);
    g_timer = nullptr;
}

BOOL checkErrorResponse(int32_t code, const WCHAR* operation, int maximumTries, int* tries, HRESULT* result) {
    HRESULT hr = S_OK;
    BOOL retry = FALSE;
    if (code != 0) {
        BVSS_DebugPrint(L"%s(): Failure starting operation, code=%u.\n", operation,
                        static_cast<uint32_t>(code));
        hr = VSS_E_PROVIDER_VETO;
    }
    if (code == CAPI_ERROR_NOT_ALLOWED_WITH_ASSIGNED_LUN) {
        LogErrorEvent(
            L"The VSS Hardware Provider cannot resync a volume mapped to LUN 0. Map the volume to an "
            L"unused, non-zero LUN number and try again.");
    } else if (code == CAPI_ERROR_WWN_NOT_FOUND) {
        hr = S_OK;
    } else if (code != 0) {
        const CodeRule& rule = RuleOf(code);
        if (rule.retried) {
            ++*tries;
            if (*tries < maximumTries) {
                retry = TRUE;
                if (rule.pauseMs == kBusyPause) {
                    CAPISleep(static_cast<DWORD>(*tries) * kBusyPauseStepMs);
                } else if (rule.pauseMs != 0) {
                    Sleep(rule.pauseMs);
                }
            } else if (code == kLinkBusy) {
                BVSS_DebugPrint(L"%s(): Controller busy timeout after %u retries.", operation, *tries);
            }
        }
        hr = rule.result;
        if (retry) {
            BVSS_DebugPrint(L"%s(): Capi Error 0x%08X (%S) on operation reply.\n", operation, code,
                            CapiErrorName(code));
        } else if (code == -1) {
            LogErrorEventNarrowFormat(
                "%1$s(): CAPI protocol failure.  Check to make sure that the DODO Rivoz "
                "service (corlink.exe) is running.",
                operation);
        } else if (hr != VSS_E_PROVIDER_VETO) {
            LogErrorEventNarrowFormat("%1$s(): Capi Error 0x%2$08X (%3$S) on operation reply.", operation,
                                      code, CapiErrorName(code));
        }
    }
    *result = hr;
    BVSS_DebugPrint(L"returning %s\n", retry ? L"TRUE" : L"FALSE");
    return retry;
}
