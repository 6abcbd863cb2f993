// The service's status as reported to the service control manager.
#pragma once

#include "platform/system/service_manager.h"

// The record passed to the service control manager; the service type is always own process.
extern SERVICE_STATUS g_ServiceStatus;
// The control handler's registration; null outside service runs.
extern SERVICE_STATUS_HANDLE g_ServiceStatusHandle;

// Fills g_ServiceStatus and reports it; in console "debug" runs only logs and returns 1. A failed report
// is written to the event log. Returns the reporting call's result.
BOOL ReportServiceStatus(DWORD currentState, DWORD win32ExitCode, DWORD waitHint);
// "STOPPED", "START_PENDING", ... or "unknown".
const char* ServiceStateName(DWORD state);
