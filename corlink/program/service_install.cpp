#include "corlink/program/service_install.h"

#include <cstdio>

#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/utilities.h"
#include "platform/kernel/sync.h"
#include "platform/system/module_file.h"
#include "platform/system/service_manager.h"

namespace {

constexpr DWORD kProgramPathSize = 512;
constexpr uint32_t kErrorTextSize = 256;
constexpr DWORD kStopPollMs = 1000;
constexpr int kStopPolls = 60;

// One message with its "%1$s" and "%2$s" placeholders filled, and a line feed.
void PrintMessage(const char* format, const char* first, const char* second = "") CORLINK_PRINTF(1, 0);
void PrintMessage(const char* format, const char* first, const char* second) {
    std::printf(format, first, second);
    std::printf("\n");
    std::fflush(stdout);
}

// A failure message whose only argument is the system's text for the last error.
void PrintFailure(const char* format) CORLINK_PRINTF(1, 0);
void PrintFailure(const char* format) {
    char errorText[kErrorTextSize];
    GetSystemErrorText(errorText, sizeof errorText);
    PrintMessage(format, errorText);
}

void StopRunningService(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED) {
        std::printf("\n");
        PrintMessage("%1$s stopped.", SERVICE_DISPLAY_NAME);
        return;
    }
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return;
    std::printf("Stopping %1$s.", SERVICE_DISPLAY_NAME);
    std::fflush(stdout);
    Sleep(kStopPollMs);
    for (int poll = 0; poll < kStopPolls && QueryServiceStatus(service, &status) &&
                       status.dwCurrentState == SERVICE_STOP_PENDING;
         ++poll) {
        std::printf(".");
        std::fflush(stdout);
        Sleep(kStopPollMs);
    }
    std::printf("\n");
    PrintMessage(status.dwCurrentState == SERVICE_STOPPED ? "%1$s stopped." : "%1$s failed to stop.",
                 SERVICE_DISPLAY_NAME);
}

}  // namespace

void InstallService() {
    char programPath[kProgramPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, programPath, sizeof programPath);
    if (length == 0 || length >= sizeof programPath) {  // a cut path would name another file
        char errorText[kErrorTextSize];
        GetSystemErrorText(errorText, sizeof errorText);
        PrintMessage("Unable to install %1$s - %2$s", SERVICE_DISPLAY_NAME, errorText);
        return;
    }
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        PrintFailure("OpenSCManager failed - %1$s");
        return;
    }
    SC_HANDLE service = CreateServiceA(manager, SERVICE_NAME, SERVICE_DISPLAY_NAME, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                       programPath, nullptr, nullptr, "", nullptr, nullptr);
    if (service != nullptr) {
        PrintMessage("%1$s installed.", SERVICE_DISPLAY_NAME);
        CloseServiceHandle(service);
    } else {
        PrintFailure("CreateService failed - %1$s");
    }
    CloseServiceHandle(manager);
    EventLogRegisterSource(programPath);
}

void RemoveService() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        PrintFailure("OpenSCManager failed - %1$s");
        return;
    }
    SC_HANDLE service = OpenServiceA(manager, SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (service == nullptr) {
        PrintFailure("OpenService failed - %1$s");
        CloseServiceHandle(manager);
        return;
    }
    StopRunningService(service);
    if (DeleteService(service)) {
        PrintMessage("%1$s removed.", SERVICE_DISPLAY_NAME);
    } else {
        PrintFailure("DeleteService failed - %1$s");
    }
    EventLogRemoveSource();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}
