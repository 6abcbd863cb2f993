#include "platform/devices/device_io.h"

#include <atomic>
#include <cstring>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"

namespace {

std::atomic<platform::DeviceBackend*> g_Backend{nullptr};

class Device final : public platform::Object {
  public:
    Device(platform::DeviceBackend* backend, std::unique_ptr<platform::OpenedDevice> opened)
        : backend(backend), opened(std::move(opened)) {}
    platform::DeviceBackend* backend;  // the backend it was opened from: its I/O needs that one installed
    std::unique_ptr<platform::OpenedDevice> opened;
};

// A device that is only its name: every I/O control goes to the backend by name.
class NamedDevice final : public platform::OpenedDevice {
  public:
    NamedDevice(platform::DeviceBackend& backend, std::string name)
        : backend_(backend), name_(std::move(name)) {}
    BOOL Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                 DWORD* error) override {
        return backend_.Control(name_, code, in, inSize, out, outSize, returned, error);
    }

  private:
    platform::DeviceBackend& backend_;
    std::string name_;
};

constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr char kPipePrefix[] = "\\\\.\\pipe\\";

}  // namespace

namespace platform {

std::unique_ptr<OpenedDevice> DeviceBackend::Open(const std::string& deviceName, DWORD* error) {
    if (!Exists(deviceName, error)) return nullptr;
    return std::make_unique<NamedDevice>(*this, deviceName);
}

bool DeviceBackend::Exists(const std::string&, DWORD* error) {
    *error = ERROR_FILE_NOT_FOUND;
    return false;
}

BOOL DeviceBackend::Control(const std::string&, DWORD, void*, DWORD, void*, DWORD, DWORD*, DWORD* error) {
    *error = ERROR_INVALID_FUNCTION;
    return FALSE;
}

void SetDeviceBackend(DeviceBackend* backend) { g_Backend.store(backend); }

DeviceBackend* CurrentDeviceBackend() { return g_Backend.load(); }

bool IsDevicePath(const char* name) {
    return name != nullptr && std::strncmp(name, kDevicePrefix, sizeof kDevicePrefix - 1) == 0 &&
           std::strncmp(name, kPipePrefix, sizeof kPipePrefix - 1) != 0;
}

HANDLE OpenDevice(const char* name) {
    DeviceBackend* backend = CurrentDeviceBackend();
    DWORD error = ERROR_FILE_NOT_FOUND;
    std::unique_ptr<OpenedDevice> opened;
    if (backend != nullptr && IsDevicePath(name)) opened = backend->Open(name, &error);
    if (!opened) {
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return NewHandle(std::make_shared<Device>(backend, std::move(opened)));
}

}  // namespace platform

BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer,
                     DWORD outSize, LPDWORD bytesReturned, OVERLAPPED* overlapped) {
    auto opened = platform::LookupHandleAs<Device>(device);
    if (!opened || overlapped != nullptr) {
        SetLastError(opened ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A backend taken away (or replaced) takes its devices with it.
    if (platform::CurrentDeviceBackend() != opened->backend) {
        SetLastError(ERROR_DEV_NOT_EXIST);
        return FALSE;
    }
    DWORD returned = 0;
    DWORD error = ERROR_SUCCESS;
    BOOL ok = opened->opened->Control(ioControlCode, inBuffer, inSize, outBuffer, outSize, &returned, &error);
    if (bytesReturned != nullptr) *bytesReturned = returned;
    if (!ok) SetLastError(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
    return ok;
}

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD size) {
    platform::DeviceBackend* backend = platform::CurrentDeviceBackend();
    if (backend == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    DWORD error = ERROR_SUCCESS;
    DWORD written = backend->QueryDosDevice(deviceName, targetPath, size, &error);
    if (written == 0) SetLastError(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND);
    return written;
}
