// What a Windows device name opens in the fabric: an adapter, a disk, or nothing.
#pragma once

#include <string>
#include <vector>

#include "sim/fabric.h"

namespace sim {

struct DeviceTarget {
    enum class Kind { None, Adapter, Disk } kind = Kind::None;
    uint32_t number = 0;
};

// "\\.\Scsi<n>:", "\\.\PhysicalDrive<n>" or "\\.\<DOS name of a disk>", compared without case.
DeviceTarget ResolveDeviceName(const std::string& deviceName, const std::vector<DosDevice>& dosDevices);

}  // namespace sim
