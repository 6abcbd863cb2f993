#include "sim/fabric_model.h"

#include <algorithm>

namespace sim {
namespace {

constexpr uint16_t kHighestDiskLun = 255;  // LUNs the host's adapters address in one byte

// Every disk the host sees now, unnumbered, in model order.
std::vector<HostDisk> VisibleDisks(const FabricModel& model) {
    std::vector<HostDisk> disks;
    for (size_t l = 0; l < model.host.localDisks.size(); ++l) {
        HostDisk disk;
        disk.local = true;
        disk.localIndex = l;
        disk.serial = model.host.localDisks[l].serial;
        disk.address = disk.secondPath = model.host.localDisks[l].address;
        disks.push_back(disk);
    }
    for (size_t s = 0; s < model.systems.size(); ++s) {
        const StorageSystem& system = model.systems[s];
        for (size_t p = 0; p < system.partitions.size(); ++p) {
            const uint16_t lun = HostLunOf(system.partitions[p], model.host, system.params.numHostChannels);
            if (lun == 0 || lun > kHighestDiskLun) continue;
            HostDisk disk;
            disk.system = s;
            disk.partition = p;
            disk.serial = system.partitions[p].serial;
            disk.address = system.controllers[0].managementLun;
            disk.address.lun = static_cast<uint8_t>(lun);
            disk.secondPath = system.controllers[1].managementLun;
            disk.secondPath.lun = static_cast<uint8_t>(lun);
            disks.push_back(disk);
        }
    }
    return disks;
}

}  // namespace

std::vector<HostDisk> DeriveHostDisks(const FabricModel& model, const std::vector<HostDisk>& previous) {
    std::vector<HostDisk> disks = VisibleDisks(model);
    std::vector<bool> numbered(disks.size(), false);
    std::vector<uint32_t> taken;
    for (size_t i = 0; i < disks.size(); ++i) {
        for (const HostDisk& old : previous) {
            if (!old.SameDiskAs(disks[i])) continue;
            disks[i].number = old.number;
            numbered[i] = true;
            taken.push_back(old.number);
            break;
        }
    }
    uint32_t candidate = 0;
    for (size_t i = 0; i < disks.size(); ++i) {
        if (numbered[i]) continue;
        while (std::find(taken.begin(), taken.end(), candidate) != taken.end()) ++candidate;
        disks[i].number = candidate;
        taken.push_back(candidate);
    }
    std::sort(disks.begin(), disks.end(),
              [](const HostDisk& a, const HostDisk& b) { return a.number < b.number; });
    return disks;
}

}  // namespace sim
