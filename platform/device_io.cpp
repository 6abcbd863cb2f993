#include "platform/device_io.h"

#include <atomic>
#include <cstring>

#include "platform/handles.h"
#include "platform/last_error.h"

namespace {

std::atomic<platform::DeviceBackend*> g_Backend{nullptr};

class Device final : public platform::Object {
public:
    explicit Device(std::string name) : name(std::move(name)) {}
    std::string name;
};

constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr char kPipePrefix[] = "\\\\.\\pipe\\";

}  // namespace

namespace platform {

void SetDeviceBackend(DeviceBackend* backend) { g_Backend.store(backend); }

DeviceBackend* CurrentDeviceBackend() { return g_Backend.load(); }

bool IsDevicePath(const char* name) {
    return name != nullptr && std::strncmp(name, kDevicePrefix, sizeof kDevicePrefix - 1) == 0 &&
           std::strncmp(name, kPipePrefix, sizeof kPipePrefix - 1) != 0;
}

HANDLE OpenDevice(const char* name) {
    DeviceBackend* backend = CurrentDeviceBackend();
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (backend == nullptr || !IsDevicePath(name) || !backend->Exists(name, &error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return NewHandle(std::make_shared<Device>(name));
}

}  // namespace platform

BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer,
                     DWORD outSize, LPDWORD bytesReturned, OVERLAPPED* overlapped) {
    auto opened = platform::LookupHandleAs<Device>(device);
    platform::DeviceBackend* backend = platform::CurrentDeviceBackend();
    if (!opened || overlapped != nullptr) {
        SetLastError(opened ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (backend == nullptr) {
        SetLastError(ERROR_DEV_NOT_EXIST);
        return FALSE;
    }
    DWORD returned = 0;
    DWORD error = ERROR_SUCCESS;
    BOOL ok = backend->Control(opened->name, ioControlCode, inBuffer, inSize, outBuffer, outSize, &returned, &error);
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
