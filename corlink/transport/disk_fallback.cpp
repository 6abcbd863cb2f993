// The disk fallback of discovery: when an adapter's inquiry data cannot be read, management LUNs are
// found by walking the host's disk interfaces and probing every disk of an unknown controller.
#include <cstring>
#include <memory>
#include <new>

#include "corlink/capi/controller_handles.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "corlink/transport/discovery.h"
#include "corlink/transport/disk_names.h"
#include "corlink/transport/processor_device_table.h"
#include "platform/devices/device_io.h"
#include "platform/files/registry.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr DWORD kListingStep = 4096;
constexpr DWORD kListingLimit = 16 * 1024 * 1024;  // a listing that never fits ends the fallback
constexpr DWORD kBufferTooSmall = 122;             // ERROR_INSUFFICIENT_BUFFER
constexpr DWORD kTargetPathSize = 260;
constexpr size_t kSerialTextLength = 12;

// Every DOS device name, NUL-separated; empty when the listing cannot be had.
std::string ListDosDevices() {
    for (DWORD size = kListingStep; size <= kListingLimit; size += kListingStep) {
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
        if (!buffer) {
            DebugPrint("EnumerateDisk(): malloc %d memory fails.\n", static_cast<int>(size));
            return {};
        }
        const DWORD listed = QueryDosDeviceA(nullptr, buffer.get(), size);
        const DWORD error = listed == 0 ? GetLastError() : ERROR_SUCCESS;
        DebugPrint("EnumerateDisk(): QueryDosDevice fails retVal=%d err=%d, dataBuf=%p bufSize=%d.\n",
                   static_cast<int>(listed), static_cast<int>(error), static_cast<void*>(buffer.get()),
                   static_cast<int>(size));
        if (listed != 0) return std::string(buffer.get(), listed < size ? listed : size);
        if (error != kBufferTooSmall) return {};
    }
    return {};
}

std::string TargetPathOf(const std::string& dosName) {
    char target[kTargetPathSize] = {};
    if (QueryDosDeviceA(dosName.c_str(), target, sizeof target - 1) == 0) return {};
    return target;
}

// The disk number of a disk interface (opened without access rights), or -1.
int32_t DiskNumberOf(const std::string& deviceName) {
    HANDLE disk = CreateFileA(deviceName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) return -1;
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                                    &returned, nullptr);
    CloseHandle(disk);
    return ok && returned >= sizeof number ? static_cast<int32_t>(number.DeviceNumber) : -1;
}

// The first 12 characters of the DEVICEMAP "SerialNumber" of a SCSI address; empty when missing.
std::string RegistrySerialText(const SCSI_ADDRESS& address) {
    const std::string key =
        FormatString("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %d\\Scsi Bus %d\\Target Id %d\\Logical Unit Id %d",
                     address.PortNumber, address.PathId, address.TargetId, address.Lun);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
    char value[256] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    const LONG read =
        RegQueryValueExA(opened, "SerialNumber", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(opened);
    if (read != ERROR_SUCCESS || type != REG_SZ) return {};
    return std::string(value, strnlen(value, kSerialTextLength < size ? kSerialTextLength : size));
}

struct Owners {
    int32_t controller;
    int32_t processor;
    bool Unknown() const { return controller == -1 && processor == -1; }
};

Owners OwnersOf(const std::string& serialText) {
    uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH];
    ControllerSerialFromText(serialText, serial);
    return {CapiFindControllerBySerialNumber(serial), FindProcessorDeviceBySerialNumber(serial)};
}

// Probes the disk interface when its controller is known neither to the database nor to this discovery;
// true when probed.
bool ProbeUnknownDisk(const std::string& dosName) {
    const std::string interfaceName = FormatString("\\\\.\\%s", dosName.c_str());
    const int32_t diskNumber = DiskNumberOf(interfaceName);
    std::string serialText = ControllerSerialTextOfDiskName(dosName.c_str());
    Owners owners = OwnersOf(serialText);
    DebugPrint("EnumerateDisk(): %s=%s DiskNumber=%d, sn=%s controller=%d processor=%d\n", dosName.c_str(),
               TargetPathOf(dosName).c_str(), diskNumber, serialText.c_str(), owners.controller,
               owners.processor);
    if (!owners.Unknown()) return false;

    const std::string diskName = FormatString("\\\\.\\PhysicalDrive%d", diskNumber);
    HANDLE disk = OpenDrive(diskName.c_str());
    DebugPrint("EnumerateDisk: NtOpenDrive(%s)=%d\n", diskName.c_str(),
               static_cast<int>(reinterpret_cast<intptr_t>(disk)));
    if (disk == INVALID_HANDLE_VALUE) return false;
    SCSI_ADDRESS address{};
    DWORD returned = 0;
    const BOOL read = DeviceIoControl(disk, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                                      &returned, nullptr);
    if (!read || returned != sizeof address) {
        CloseHandle(disk);
        return false;
    }
    serialText = RegistrySerialText(address);
    owners = OwnersOf(serialText);
    DebugPrint("EnumerateDisk: ScsiAddress=%d.%d.%d.%d sn=%s controller=%d processor=%d\n",
               address.PortNumber, address.PathId, address.TargetId, address.Lun, serialText.c_str(),
               owners.controller, owners.processor);
    CloseHandle(disk);
    if (!owners.Unknown()) return false;
    ProbeProcessorDevice(diskName.c_str(), address.PortNumber, address.PathId, address.TargetId, address.Lun,
                         nullptr);
    return true;
}

}  // namespace

int EnumerateDisk() {
    const std::string listing = ListDosDevices();
    uint32_t probed = 0;
    for (size_t at = 0; at < listing.size() && listing[at] != '\0';) {
        const std::string dosName(listing.c_str() + at);  // the listing string always ends in a NUL
        at += dosName.size() + 1;
        if (dosName.find("#Disk") != std::string::npos && ProbeUnknownDisk(dosName)) ++probed;
    }
    return probed != 0 ? 1 : 0;
}
