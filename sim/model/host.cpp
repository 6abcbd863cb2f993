#include "sim/model/host.h"

#include <algorithm>

namespace sim {

bool HostDisk::SameDiskAs(const HostDisk& other) const {
    if (local != other.local) return false;
    if (local) return localIndex == other.localIndex;
    return system == other.system && serial == other.serial;
}

bool IsPortOf(const Host& host, const HostPortId& port) {
    if (port.NamedByIscsiName()) {
        return std::any_of(host.iscsiNames.begin(), host.iscsiNames.end(),
                           [&](const std::string& name) { return port.SameAs(HostPortId::Iscsi(name)); });
    }
    if (port.NamedByAddress()) return false;  // the host's ports are all named by port name or iSCSI name
    return std::find(host.fcPorts.begin(), host.fcPorts.end(), port.port) != host.fcPorts.end() ||
           std::find(host.sasAddresses.begin(), host.sasAddresses.end(), port.port) !=
               host.sasAddresses.end();
}

uint16_t HostLunOf(const Partition& partition, const Host& host, size_t hostChannels) {
    for (const HostMapping& mapping : partition.hostMaps) {
        if (IsPortOf(host, mapping.host) && mapping.map.PresentedOn(hostChannels)) return mapping.map.hlun;
    }
    return partition.defaultMap.PresentedOn(hostChannels) ? partition.defaultMap.hlun : 0;
}

}  // namespace sim
