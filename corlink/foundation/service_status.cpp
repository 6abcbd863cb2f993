#include "corlink/foundation/service_status.h"

#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/service_params.h"
#include "platform/system/application_event_log.h"

SERVICE_STATUS g_ServiceStatus = {SERVICE_WIN32_OWN_PROCESS, 0, 0, 0, 0, 0, 0};
SERVICE_STATUS_HANDLE g_ServiceStatusHandle = nullptr;

namespace {

// Pending reports carry 1, 2, 3, ...; the counter is never reset.
DWORD g_CheckPoint = 1;

struct StateName {
    DWORD state;
    const char* name;
};
constexpr StateName kStateNames[] = {
    // clang-format off
    {SERVICE_STOPPED, "STOPPED"},
    {SERVICE_START_PENDING, "START_PENDING"},
    {SERVICE_STOP_PENDING, "STOP_PENDING"},
    {SERVICE_RUNNING, "RUNNING"},
    {SERVICE_CONTINUE_PENDING, "CONTINUE_PENDING"},
    {SERVICE_PAUSE_PENDING, "PAUSE_PENDING"},
    {SERVICE_PAUSED, "PAUSED"},
    // clang-format on
};

}  // namespace

const char* ServiceStateName(DWORD state) {
    for (const StateName& entry : kStateNames) {
        if (entry.state == state) return entry.name;
    }
    return "unknown";
}

BOOL ReportServiceStatus(DWORD currentState, DWORD win32ExitCode, DWORD waitHint) {
    DebugPrint("%sSetServiceStatus(%s, hint=%u)\n", g_DebugConsole ? "Skipping " : "",
               ServiceStateName(currentState), static_cast<unsigned>(waitHint));
    if (g_DebugConsole) return TRUE;

    g_ServiceStatus.dwControlsAccepted = currentState == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP;
    g_ServiceStatus.dwCurrentState = currentState;
    g_ServiceStatus.dwWin32ExitCode = win32ExitCode;
    g_ServiceStatus.dwWaitHint = waitHint;
    if (currentState == SERVICE_RUNNING || currentState == SERVICE_STOPPED) {
        g_ServiceStatus.dwCheckPoint = 0;
    } else {
        g_ServiceStatus.dwCheckPoint = g_CheckPoint++;
    }
    BOOL reported = SetServiceStatus(g_ServiceStatusHandle, &g_ServiceStatus);
    if (!reported) {
        char text[] = "SetServiceStatus";
        WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, currentState, SERVICE_NAME);
    }
    return reported;
}
