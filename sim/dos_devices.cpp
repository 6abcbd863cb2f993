// The DOS device names of the host's disks: "PhysicalDrive<n>", "Harddisk<n>Partition0" and the disk
// interface name, whose instance part carries the volume serial text as 64 hexadecimal digits.
#include <cstdio>

#include "sim/fabric.h"

namespace sim {
namespace {

// Blanks become underscores, as in a device instance path.
std::string InstanceText(const std::string& text) {
    std::string out = text;
    for (char& ch : out) {
        if (ch == ' ') ch = '_';
    }
    return out;
}

std::string HexOfText(const std::string& text) {
    return HexText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

std::vector<DosDevice> BuildDosDevices(const FabricModel& model, const std::vector<HostDisk>& disks) {
    std::vector<DosDevice> devices;
    for (const HostDisk& disk : disks) {
        std::string vendor;
        std::string product;
        if (disk.local) {
            vendor = model.host.localDisks[disk.localIndex].vendor;
            product = model.host.localDisks[disk.localIndex].product;
        } else {
            vendor = model.systems[disk.system].vendor;
            product = model.systems[disk.system].product;
        }
        const int n = static_cast<int>(disk.number);
        char name[64];
        char target[64];
        std::snprintf(name, sizeof name, "PhysicalDrive%d", n);
        std::snprintf(target, sizeof target, "\\Device\\Harddisk%d\\DR%d", n, n);
        devices.push_back({name, target, n});
        std::snprintf(name, sizeof name, "Harddisk%dPartition0", n);
        std::snprintf(target, sizeof target, "\\Device\\Harddisk%d\\Partition0", n);
        devices.push_back({name, target, n});
        const std::string interfaceName =
            "SCSI#Disk&Ven_" + InstanceText(vendor) + "&Prod_" + InstanceText(product) + "#4&1c2d3e4f&0&" +
            HexOfText(HexText(disk.serial)) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
        std::snprintf(target, sizeof target, "\\Device\\%08X", 0x60 + n);
        devices.push_back({interfaceName, target, n});
    }
    return devices;
}

}  // namespace sim
