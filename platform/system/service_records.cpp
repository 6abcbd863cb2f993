// The service control manager's side of the service calls: records in the registry, the state of a
// running service from its state file, the stop control as SIGTERM.
#include <signal.h>
#include <sys/types.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/files/registry.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/system/service_manager.h"
#include "platform/system/service_state.h"

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

class ServiceManagerObject final : public platform::Object {};

class ServiceObject final : public platform::Object {
  public:
    explicit ServiceObject(std::string name) : name(std::move(name)) {}
    std::string name;
};

SC_HANDLE ToScHandle(HANDLE handle) { return reinterpret_cast<SC_HANDLE>(handle); }
HANDLE FromScHandle(SC_HANDLE handle) { return reinterpret_cast<HANDLE>(handle); }

bool IsManager(SC_HANDLE handle) {
    if (platform::LookupHandleAs<ServiceManagerObject>(FromScHandle(handle))) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

std::shared_ptr<ServiceObject> LookupService(SC_HANDLE handle) {
    auto service = platform::LookupHandleAs<ServiceObject>(FromScHandle(handle));
    if (!service) SetLastError(ERROR_INVALID_HANDLE);
    return service;
}

std::string ServiceKey(const std::string& name) { return kServicesKey + name; }

// A service exists while its key holds an ImagePath.
bool ServiceExists(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool exists =
        RegQueryValueExA(key, "ImagePath", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

bool SetText(HKEY key, const char* name, DWORD type, const char* text) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool WriteRecord(HKEY key, const char* displayName, DWORD serviceType, DWORD startType, DWORD errorControl,
                 const char* binaryPath, const char* account) {
    return SetText(key, "ImagePath", REG_EXPAND_SZ, binaryPath) &&
           SetText(key, "DisplayName", REG_SZ, displayName != nullptr ? displayName : "") &&
           SetDword(key, "Start", startType) && SetDword(key, "Type", serviceType) &&
           SetDword(key, "ErrorControl", errorControl) &&
           SetText(key, "ObjectName", REG_SZ, account != nullptr ? account : "LocalSystem");
}

constexpr const char* kRecordValues[] = {"ImagePath", "DisplayName",  "Start",
                                         "Type",      "ErrorControl", "ObjectName"};

// The status of a service whose process is not running.
SERVICE_STATUS StoppedStatus() {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_STOPPED;
    return status;
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR, LPCSTR, DWORD) {
    return ToScHandle(platform::NewHandle(std::make_shared<ServiceManagerObject>()));
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD, DWORD serviceType,
                         DWORD startType, DWORD errorControl, LPCSTR binaryPathName, LPCSTR, LPDWORD, LPCSTR,
                         LPCSTR serviceStartName, LPCSTR) {
    if (!IsManager(manager)) return nullptr;
    if (serviceName == nullptr || *serviceName == '\0' || binaryPathName == nullptr ||
        std::strchr(serviceName, '\\') != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (ServiceExists(serviceName)) {
        SetLastError(ERROR_SERVICE_EXISTS);
        return nullptr;
    }
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ServiceKey(serviceName).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return nullptr;
    }
    const bool written =
        WriteRecord(key, displayName, serviceType, startType, errorControl, binaryPathName, serviceStartName);
    RegCloseKey(key);
    if (!written) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return ToScHandle(platform::NewHandle(std::make_shared<ServiceObject>(serviceName)));
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD) {
    if (!IsManager(manager)) return nullptr;
    if (serviceName == nullptr || !ServiceExists(serviceName)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return ToScHandle(platform::NewHandle(std::make_shared<ServiceObject>(serviceName)));
}

BOOL QueryServiceStatus(SC_HANDLE handle, SERVICE_STATUS* status) {
    auto service = LookupService(handle);
    if (!service || status == nullptr) return FALSE;
    long pid = 0;
    if (!platform::ReadServiceState(service->name, status, &pid)) *status = StoppedStatus();
    return TRUE;
}

BOOL ControlService(SC_HANDLE handle, DWORD control, SERVICE_STATUS* status) {
    auto service = LookupService(handle);
    if (!service || status == nullptr) return FALSE;
    long pid = 0;
    if (!platform::ReadServiceState(service->name, status, &pid) ||
        status->dwCurrentState == SERVICE_STOPPED) {
        *status = StoppedStatus();
        SetLastError(ERROR_SERVICE_NOT_ACTIVE);
        return FALSE;
    }
    if (control == SERVICE_CONTROL_INTERROGATE) return TRUE;
    if (control != SERVICE_CONTROL_STOP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((status->dwControlsAccepted & SERVICE_ACCEPT_STOP) == 0) {
        SetLastError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        return FALSE;
    }
    if (::kill(static_cast<pid_t>(pid), SIGTERM) != 0) {
        SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteService(SC_HANDLE handle) {
    auto service = LookupService(handle);
    if (!service) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKey(service->name).c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return FALSE;
    }
    for (const char* value : kRecordValues) RegDeleteValueA(key, value);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ServiceKey(service->name).c_str());  // stays while it has subkeys
    platform::RemoveServiceState(service->name);
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) { return CloseHandle(FromScHandle(handle)); }
