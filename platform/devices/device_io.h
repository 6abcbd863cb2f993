// Storage devices: SCSI adapters ("\\.\Scsi%d:"), disks ("\\.\PhysicalDrive%d") and DOS device names,
// opened with CreateFileA and driven with DeviceIoControl. Behind them sits one device backend: the
// simulated storage fabric in tests and the demo, or none (every open then fails with
// ERROR_FILE_NOT_FOUND). The I/O control buffers keep the Windows byte layouts (see scsi_layouts.h).
#pragma once

#include <memory>
#include <string>

#include "platform/files/file_io.h"
#include "platform/win_types.h"

constexpr DWORD IOCTL_SCSI_MINIPORT = 0x0004D008;
constexpr DWORD IOCTL_SCSI_GET_INQUIRY_DATA = 0x0004100C;
constexpr DWORD IOCTL_SCSI_GET_ADDRESS = 0x00041018;
constexpr DWORD IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x0004D014;
constexpr DWORD IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x002D1080;
constexpr DWORD IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT = 0x0004D04C;

// TRUE on success; FALSE with the last error set. Only synchronous calls (overlapped must be null).
BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer,
                     DWORD outSize, LPDWORD bytesReturned, OVERLAPPED* overlapped);
// The targets of a DOS device name, or of every name when name is null: NUL-separated texts ending in an
// extra NUL; returns the characters written, 0 with the last error set (ERROR_INSUFFICIENT_BUFFER 122 when
// the buffer is too small).
DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD size);

namespace platform {

// One opened device: the device as it was when opened. Once that device has gone (a disk unmapped or
// renumbered), its I/O fails with ERROR_DEV_NOT_EXIST, whatever now answers to its name.
class OpenedDevice {
  public:
    virtual ~OpenedDevice() = default;
    // One I/O control, with the caller's buffers as the Windows call has them (a pass-through request's
    // DataBuffer points into the caller's memory). FALSE: *error holds the error.
    virtual BOOL Control(DWORD ioControlCode, void* inBuffer, DWORD inSize, void* outBuffer, DWORD outSize,
                         DWORD* bytesReturned, DWORD* error) = 0;
};

// What answers for the devices. Implementations are thread-safe.
class DeviceBackend {
  public:
    virtual ~DeviceBackend() = default;
    // Opens a device of this Windows name ("\\.\Scsi3:", "\\.\PhysicalDrive1", "\\.\E:"); null with
    // *error (the Windows error the open reports) when there is none. By default a device is its name:
    // Exists, then every I/O control through Control by name.
    virtual std::unique_ptr<OpenedDevice> Open(const std::string& deviceName, DWORD* error);
    // As QueryDosDeviceA, without the last error: *error holds it when the result is 0.
    virtual DWORD QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) = 0;

    // For backends whose devices are only names (a scripted test backend).
    virtual bool Exists(const std::string& deviceName, DWORD* error);
    virtual BOOL Control(const std::string& deviceName, DWORD ioControlCode, void* inBuffer, DWORD inSize,
                         void* outBuffer, DWORD outSize, DWORD* bytesReturned, DWORD* error);
};

// Installs the backend (null: no devices). The caller keeps it alive while installed.
void SetDeviceBackend(DeviceBackend* backend);
DeviceBackend* CurrentDeviceBackend();

// A Windows device path ("\\.\" followed by a name that is not a pipe).
bool IsDevicePath(const char* name);
// CreateFileA of a device path: a handle, or INVALID_HANDLE_VALUE with the last error set.
HANDLE OpenDevice(const char* name);

}  // namespace platform
