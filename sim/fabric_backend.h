// The fabric behind the platform's devices: "\\.\Scsi<n>:" adapters with their inquiry listings and
// pass-through, "\\.\PhysicalDrive<n>" and the disks' DOS device names, in the Windows byte layouts.
#pragma once

#include "platform/devices/device_io.h"
#include "sim/fabric.h"

namespace sim {

class FabricBackend final : public platform::DeviceBackend {
  public:
    explicit FabricBackend(Fabric& fabric) : fabric_(fabric) {}

    // An adapter, or a host disk as it is now (by number or DOS name): I/O on it fails as a vanished
    // device once that disk has gone.
    std::unique_ptr<platform::OpenedDevice> Open(const std::string& deviceName, DWORD* error) override;
    DWORD QueryDosDevice(const char* deviceName, char* targetPath, DWORD size, DWORD* error) override;

  private:
    Fabric& fabric_;
};

}  // namespace sim
