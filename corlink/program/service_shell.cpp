#include "corlink/program/service_shell.h"

#include <cstdio>

#include "corlink/foundation/log.h"
#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/service_status.h"
#include "corlink/program/proxy_run.h"
#include "platform/devices/device_notification.h"
#include "platform/kernel/sync.h"
#include "platform/system/console_control.h"

namespace {

constexpr DWORD kStartPendingHintMs = 3000;
constexpr DWORD kShutdownGraceMs = 10000;
constexpr DWORD kDeviceNotifyFlags = DEVICE_NOTIFY_SERVICE_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES;
// The disk device interface class.
constexpr GUID kDiskInterfaceClass = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

HDEVNOTIFY g_DeviceNotification = nullptr;

const char* DeviceEventName(DWORD eventType) {
    switch (eventType) {
        case DBT_DEVICEARRIVAL: return "device arrival";
        case DBT_DEVICEREMOVECOMPLETE: return "remove completed";
        default: return "unknown";
    }
}

void RegisterDiskNotifications() {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kDiskInterfaceClass;
    g_DeviceNotification = RegisterDeviceNotificationA(g_ServiceStatusHandle, &filter, kDeviceNotifyFlags);
}

}  // namespace

void RunInConsole(int argc, char** argv) {
    std::printf("Debugging %s.\n", SERVICE_DISPLAY_NAME);
    std::fflush(stdout);
    SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
    RREMain(argc, argv);
    RRECommServiceStop();
}

void service_main(DWORD argc, LPSTR* argv) {
    DebugPrint("service_main(argc=%d)\n", static_cast<int>(argc));
    g_ServiceStatusHandle = RegisterServiceCtrlHandlerExA(SERVICE_NAME, ServiceCtrlHandlerEx, nullptr);
    if (g_ServiceStatusHandle != nullptr) {
        g_ServiceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        g_ServiceStatus.dwServiceSpecificExitCode = 0;
        if (ReportServiceStatus(SERVICE_START_PENDING, 0, kStartPendingHintMs)) {
            RegisterDiskNotifications();
            SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
            RREMain(static_cast<int>(argc), argv);
            SetConsoleCtrlHandler(ConsoleCtrlHandler, FALSE);
        }
    }
    UnregisterDeviceNotification(g_DeviceNotification);
    g_DeviceNotification = nullptr;
    if (g_ServiceStatusHandle != nullptr) ReportServiceStatus(SERVICE_STOPPED, 0, 0);
}

DWORD ServiceCtrlHandlerEx(DWORD control, DWORD eventType, LPVOID, LPVOID) {
    DWORD result = 0;
    switch (control) {
        case SERVICE_CONTROL_STOP:
            DebugPrint("SERVICE_CONTROL_STOP received\n");
            g_ServiceStatus.dwCurrentState = SERVICE_STOP_PENDING;
            RRECommServiceStop();
            break;
        case SERVICE_CONTROL_INTERROGATE: DebugPrint("SERVICE_CONTROL_INTERROGATE received\n"); break;
        case SERVICE_CONTROL_DEVICEEVENT:
            DebugPrint("Event: DEVICEEVENT: %s\n", DeviceEventName(eventType));
            break;
        case SERVICE_CONTROL_HARDWAREPROFILECHANGE: DebugPrint("Event: HARDWAREPROFILECHANGE\n"); break;
        case SERVICE_CONTROL_POWEREVENT: DebugPrint("Event: POWEREVENT\n"); break;
        default:
            DebugPrint("Unsupported SERVICE_CONTROL_XXX received (dwControl=0x%x)\n",
                       static_cast<unsigned>(control));
            result = ERROR_CALL_NOT_IMPLEMENTED;
            break;
    }
    ReportServiceStatus(g_ServiceStatus.dwCurrentState, 0, 0);
    return result;
}

BOOL ConsoleCtrlHandler(DWORD controlType) {
    switch (controlType) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT: RRECommServiceStop(); return TRUE;
        case CTRL_SHUTDOWN_EVENT:
            RRECommServiceStop();
            Sleep(kShutdownGraceMs);
            return TRUE;
        default: return FALSE;
    }
}
