// The service control manager as this platform provides it.
//
// Service records live in the registry under SYSTEM\CurrentControlSet\Services\<name> (ImagePath,
// DisplayName, Start, Type, ErrorControl, ObjectName); the reported state of a running service lives in
// <root>/run/<name>.state. A process is started as a service when its environment names the service in
// CORLINK_SERVICE: the dispatcher then runs the service main on a thread of its own, and SIGTERM is the
// STOP control, delivered to the control handler on the dispatcher's (the main) thread.
#pragma once

#include "platform/win_types.h"

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;
struct SERVICE_STATUS_HANDLE__;
using SERVICE_STATUS_HANDLE = SERVICE_STATUS_HANDLE__*;

// Service types, start types, error control
constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x10;
constexpr DWORD SERVICE_AUTO_START = 2;
constexpr DWORD SERVICE_DEMAND_START = 3;
constexpr DWORD SERVICE_ERROR_NORMAL = 1;

// Access rights (not enforced: one account owns the machine root)
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

// Current states
constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;
constexpr DWORD SERVICE_CONTINUE_PENDING = 5;
constexpr DWORD SERVICE_PAUSE_PENDING = 6;
constexpr DWORD SERVICE_PAUSED = 7;

// Controls, and the controls a service accepts
constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;
constexpr DWORD SERVICE_CONTROL_DEVICEEVENT = 11;
constexpr DWORD SERVICE_CONTROL_HARDWAREPROFILECHANGE = 12;
constexpr DWORD SERVICE_CONTROL_POWEREVENT = 13;
constexpr DWORD SERVICE_ACCEPT_STOP = 1;

// Errors of the service calls
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr DWORD ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr DWORD ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;
constexpr DWORD ERROR_SERVICE_EXISTS = 1073;
constexpr DWORD ERROR_SERVICE_NOT_IN_EXE = 1083;

struct SERVICE_STATUS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
};

using LPSERVICE_MAIN_FUNCTIONA = void (*)(DWORD argc, LPSTR* argv);
using LPHANDLER_FUNCTION_EX = DWORD (*)(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);

struct SERVICE_TABLE_ENTRYA {
    LPSTR lpServiceName;
    LPSERVICE_MAIN_FUNCTIONA lpServiceProc;
};

// The dispatcher: returns when the service main has returned; FALSE with
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when the process was not started as a service.
BOOL StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* serviceTable);
SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerExA(LPCSTR serviceName, LPHANDLER_FUNCTION_EX handler,
                                                    LPVOID context);
BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, SERVICE_STATUS* status);

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD access);
SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD access,
                         DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPathName,
                         LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR password);
SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD access);
BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
// Only SERVICE_CONTROL_STOP and SERVICE_CONTROL_INTERROGATE reach a running service.
BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status);
// Removes the record's values and the state file; subkeys (Parameters, Debug) stay.
BOOL DeleteService(SC_HANDLE service);
BOOL CloseServiceHandle(SC_HANDLE handle);

namespace platform {
// The environment variable that names the service a process was started as.
constexpr const char* kServiceEnvironmentName = "CORLINK_SERVICE";
}  // namespace platform
