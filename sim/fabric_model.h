// The simulated storage fabric's model: storage systems (a controller pair sharing one configuration:
// arrays, volumes and their mappings to the host) and the host, whose adapters see the controllers'
// management LUNs and whose disks are the mapped volumes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Serial6 = std::array<uint8_t, 6>;
using Wwn = std::array<uint8_t, 8>;

// Where a LUN sits as the host sees it: "\\.\Scsi<adapter>:" and bus (path id), target, LUN.
struct ScsiAddress {
    uint8_t adapter = 0;
    uint8_t bus = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
    bool operator==(const ScsiAddress&) const = default;
};

// One controller of a pair. Controller A has failoverId 1, controller B 0.
struct Controller {
    uint8_t failoverId = 1;
    Serial6 serial{};    // the 12 hexadecimal digits that name the controller
    Serial6 uniqueId{};
    uint8_t portNumber = 0;       // reported at byte 31 of VPD page 0x83
    ScsiAddress managementLun;    // the LUN through which the host reaches it
    uint8_t managementLunType = 0x0D;  // peripheral device type of the management LUN
    Wwn hostPort{};               // the host port the controller's commands arrive through
    Wwn portWwpn{};
    Wwn portWwnn{};
    char hostInterfaceType = 'F';
    bool present = true;          // false: vanished from the bus
    uint8_t localChanges = 1;     // configuration change counter (8 bits on the wire)
};

struct Array {
    std::string name;
    std::array<uint8_t, 32> serial{};
    uint8_t raidLevel = 5;
    uint32_t numDrives = 4;
};

struct Volume {
    std::string name;
    std::array<uint8_t, 16> serial{};
    size_t array = 0;
    uint64_t blocks = 0;
    uint16_t hostLun = 0;   // 0: not mapped to the host
};

struct StorageSystem {
    std::string name;
    std::string vendor = "Brenlow";  // INQUIRY vendor (8 characters, blank padded)
    std::string product;             // INQUIRY product (16 characters, blank padded)
    std::string revision = "T100";
    Controller controllers[2];       // [0] = A (failoverId 1), [1] = B (failoverId 0)
    std::vector<Array> arrays;
    std::vector<Volume> volumes;
    uint32_t numDrives = 12;
    std::string uniqueSn = "555555";  // the supplier serial of the enclosure's FRU that names the system
    Wwn enclosureWwn{};
    uint32_t arrayListChanges = 1;
    uint32_t driveListChanges = 1;
};

// A disk the host sees: one mapped volume, numbered as "\\.\PhysicalDrive<number>", reachable through
// the management LUN addresses of both controllers with the volume's LUN.
struct HostDisk {
    uint32_t number = 0;
    size_t system = 0;
    size_t volume = 0;
    ScsiAddress address;       // the first path (through controller A's adapter)
    ScsiAddress secondPath;    // through controller B's adapter
};

struct FabricModel {
    std::vector<StorageSystem> systems;
};

// The configuration sequence number a controller reports: its own change counter in bits 0-7 and its
// partner's in bits 16-23.
uint32_t ConfigSequenceNumber(const StorageSystem& system, int controller);
// Moves every change counter of a system on (a configuration change).
void RecordConfigurationChange(StorageSystem& system);
// The host's disks, derived from the volumes mapped to it, numbered in system and volume order.
std::vector<HostDisk> DeriveHostDisks(const FabricModel& model);
// A 16-byte volume serial derived from the controller serial: as 32 hexadecimal characters it carries
// the controller serial text at characters 1-6 and 10-15, and the index in its last 16.
std::array<uint8_t, 16> DerivedVolumeSerial(const Serial6& controller, uint64_t index);
// Upper-case hexadecimal text of some bytes ("%02X" each).
std::string HexText(const uint8_t* bytes, size_t count);
template <size_t N>
std::string HexText(const std::array<uint8_t, N>& bytes) {
    return HexText(bytes.data(), N);
}

}  // namespace sim
