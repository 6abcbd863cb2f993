// The SCSI device map in the registry: one key per listed LUN with its "SerialNumber" value, which
// begins with the serial text of the controller the LUN is reached through (cut to the host's serial-text
// length when it has one).
#include <cstdio>

#include "platform/files/registry.h"
#include "sim/fabric.h"
#include "sim/inquiry_data.h"

namespace sim {
namespace {

void WriteSerial(const ScsiAddress& address, std::string serial, uint32_t longest) {
    if (longest != 0 && serial.size() > longest) serial.resize(longest);
    char key[160];
    std::snprintf(key, sizeof key,
                  "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %d\\Scsi Bus %d\\Target Id %d\\Logical Unit Id %d",
                  address.adapter, address.bus, address.target, address.lun);
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(handle, "SerialNumber", 0, REG_SZ, reinterpret_cast<const BYTE*>(serial.c_str()),
                   static_cast<DWORD>(serial.size() + 1));
    RegCloseKey(handle);
}

}  // namespace

void Fabric::WriteDeviceMap() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t longest = model_.host.serialTextLength;
    for (const StorageSystem& system : model_.systems) {
        for (const Controller& c : system.controllers) {
            WriteSerial(c.managementLun, HexText(c.serial) + HexText(ManagementLunVolumeSerial(c)), longest);
        }
    }
    for (const HostDisk& disk : disks_) {
        if (disk.local) {
            WriteSerial(disk.address, HexText(disk.serial), longest);
            continue;
        }
        const StorageSystem& system = model_.systems[disk.system];
        const std::string partition = HexText(disk.serial);
        WriteSerial(disk.address, HexText(system.controllers[0].serial) + partition, longest);
        WriteSerial(disk.secondPath, HexText(system.controllers[1].serial) + partition, longest);
    }
}

}  // namespace sim
