#include "sim/device_names.h"

#include <cctype>
#include <cstdlib>

namespace sim {
namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The decimal number after `prefix` and before `suffix` (nothing else around it).
bool NumberedName(const std::string& name, const std::string& prefix, const std::string& suffix,
                  uint32_t* number) {
    if (name.size() <= prefix.size() + suffix.size()) return false;
    if (!EqualNoCase(name.substr(0, prefix.size()), prefix)) return false;
    if (!EqualNoCase(name.substr(name.size() - suffix.size()), suffix)) return false;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 6) return false;
    for (char ch : digits) {
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    }
    *number = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 10));
    return true;
}

}  // namespace

DeviceTarget ResolveDeviceName(const std::string& deviceName, const std::vector<DosDevice>& dosDevices) {
    DeviceTarget target;
    if (deviceName.compare(0, sizeof kDevicePrefix - 1, kDevicePrefix) != 0) return target;
    const std::string name = deviceName.substr(sizeof kDevicePrefix - 1);
    uint32_t number = 0;
    if (NumberedName(name, "Scsi", ":", &number)) return {DeviceTarget::Kind::Adapter, number};
    if (NumberedName(name, "PhysicalDrive", "", &number)) return {DeviceTarget::Kind::Disk, number};
    for (const DosDevice& device : dosDevices) {
        if (device.disk >= 0 && EqualNoCase(device.name, name)) {
            return {DeviceTarget::Kind::Disk, static_cast<uint32_t>(device.disk)};
        }
    }
    return target;
}

}  // namespace sim
