// The host: its ports (FC port names, SAS addresses, iSCSI names), the disks it has that are not the
// arrays', and the disks it sees: its own, then the partitions mapped to one of its ports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/identifiers.h"
#include "sim/model/partition.h"

namespace sim {

// A disk of the host's own (a boot disk, say), answering on an adapter of its own.
struct LocalDisk {
    std::string vendor = "LOCAL";
    std::string product = "SYSTEM DISK";
    Serial16 serial{};
    ScsiAddress address;
};

struct Host {
    std::vector<Wwn> fcPorts;
    std::vector<Wwn> sasAddresses;
    std::vector<std::string> iscsiNames;
    uint32_t serialTextLength = 0;  // the longest device-map serial text kept; 0: no limit
    bool storageWmi = true;         // WMI has the storage management namespace (its initiator-port class)
    std::vector<LocalDisk> localDisks;
};

// A disk the host sees, numbered as "\\.\PhysicalDrive<number>": a local disk, or a partition reachable
// through the management LUN addresses of both controllers with the partition's host LUN.
struct HostDisk {
    uint32_t number = 0;
    bool local = false;
    size_t localIndex = 0;  // local disks: the host's disk
    size_t system = 0;      // partitions: the pair and the partition (by index, refreshed on each
    size_t partition = 0;   // derivation, and by serial, which names it for good)
    Serial16 serial{};
    ScsiAddress address;     // the first path (through controller A's adapter), or the local disk's
    ScsiAddress secondPath;  // through controller B's adapter

    // The same disk: the same local disk, or the same partition of the same pair.
    bool SameDiskAs(const HostDisk& other) const;
};

// Whether the port is one of the host's.
bool IsPortOf(const Host& host, const HostPortId& port);

// The host LUN under which the host sees a partition (its mapping to one of the host's ports, else its
// default mapping), or 0 when it does not see it.
uint16_t HostLunOf(const Partition& partition, const Host& host, size_t hostChannels);

}  // namespace sim
