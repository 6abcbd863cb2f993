#include "sim/model/host.h"

#include <algorithm>

namespace sim {

bool HostDisk::SameDiskAs(const HostDisk& other) const {
    if (local != other.local) return false;
    if (local) return localIndex == other.localIndex;
    return system == other.system && serial == other.serial;
}

namespace {

bool IsHostPort(const HostMapping& mapping, const Host& host) {
    if (!mapping.iscsiName.empty()) {
        return std::find(host.iscsiNames.begin(), host.iscsiNames.end(), mapping.iscsiName) != host.iscsiNames.end();
    }
    return std::find(host.fcPorts.begin(), host.fcPorts.end(), mapping.port) != host.fcPorts.end() ||
           std::find(host.sasAddresses.begin(), host.sasAddresses.end(), mapping.port) != host.sasAddresses.end();
}

}  // namespace

uint16_t HostLunOf(const Partition& partition, const Host& host, size_t hostChannels) {
    for (const HostMapping& mapping : partition.hostMaps) {
        if (IsHostPort(mapping, host) && mapping.map.PresentedOn(hostChannels)) return mapping.map.hlun;
    }
    return partition.defaultMap.PresentedOn(hostChannels) ? partition.defaultMap.hlun : 0;
}

}  // namespace sim
