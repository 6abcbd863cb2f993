// The simulated storage fabric: the model, the controllers' management LUNs and the host's disks
// behind its SCSI adapters 0 to 31, fault injection and the journal. Thread-safe: one command at a time.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/fabric_model.h"
#include "sim/fault_script.h"
#include "sim/journal.h"
#include "sim/management_lun.h"
#include "sim/scsi_request.h"

namespace sim {

inline constexpr uint8_t kAdapterCount = 32;

// One LUN of an adapter's inquiry listing.
struct ListedLun {
    ScsiAddress address;
    bool claimed = false;  // a host disk (owned by the disk class driver)
    std::vector<uint8_t> inquiry;
};

// A DOS device name and its target path.
struct DosDevice {
    std::string name;
    std::string target;
    int disk = -1;  // the host disk it names, -1 for none
};

class Fabric {
public:
    explicit Fabric(FabricModel model);

    // A command to the LUN (bus, target, LUN) behind "\\.\Scsi<adapter>:".
    ScsiOutcome ExecuteOnAdapter(const ScsiAddress& address, const ScsiRequest& request);
    // A command to "\\.\PhysicalDrive<disk>".
    ScsiOutcome ExecuteOnDisk(uint32_t disk, const ScsiRequest& request);

    // Whether the host has this adapter (one that sees at least one controller).
    bool AdapterExists(uint32_t adapter) const;
    std::vector<ListedLun> ListAdapter(uint32_t adapter) const;
    std::vector<HostDisk> Disks() const;
    std::vector<DosDevice> DosDevices() const;

    // Faults and state changes of controller `controller` (0 = A, 1 = B) of system `system`.
    void InjectFault(size_t system, int controller, const Fault& fault);
    void SetControllerPresent(size_t system, int controller, bool present);
    void SetHandler(uint32_t commandCode, const CapiHandler& handler);
    void RecordConfigurationChange(size_t system);

    // Writes the SCSI device map's "SerialNumber" values of every LUN the adapters list into the
    // registry (under the machine root).
    void WriteDeviceMap() const;

    Journal& journal() { return journal_; }
    FabricModel Model() const;

private:
    bool ValidController(size_t system, int controller) const;

    mutable std::mutex mutex_;
    FabricModel model_;
    std::vector<HostDisk> disks_;
    std::vector<std::unique_ptr<ManagementLun>> luns_;  // two per system: A then B
    Journal journal_;
};

}  // namespace sim
