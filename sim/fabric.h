// The simulated storage fabric: the model, the controllers' management LUNs and the host's disks behind
// its SCSI adapters 0 to 31, fault injection and the journal. Thread-safe: one command at a time.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/capi/dispatcher.h"
#include "sim/fabric_model.h"
#include "sim/fault_script.h"
#include "sim/journal.h"
#include "sim/management_lun_target.h"
#include "sim/scsi_exchange.h"

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
using DosDeviceList = std::shared_ptr<const std::vector<DosDevice>>;

class Fabric {
  public:
    explicit Fabric(FabricModel model);

    // A command to the LUN (bus, target, LUN) behind "\\.\Scsi<adapter>:".
    ScsiOutcome ExecuteOnAdapter(const ScsiAddress& address, const ScsiRequest& request);
    // A command to a host disk as it was when opened: fails as a vanished device once it is gone.
    ScsiOutcome ExecuteOnDisk(const HostDisk& opened, const ScsiRequest& request);

    // Whether the host has this adapter (one that sees a controller or a disk of its own).
    bool AdapterExists(uint32_t adapter) const;
    std::vector<ListedLun> ListAdapter(uint32_t adapter) const;
    std::vector<HostDisk> Disks() const;
    // The host disk with this number now, if any.
    std::optional<HostDisk> Disk(uint32_t number) const;
    // The opened disk as the host sees it now (its number may not change), or nothing once it is gone.
    std::optional<HostDisk> CurrentDisk(const HostDisk& opened) const;
    // The DOS device names of the host's disks, kept until the disks change.
    DosDeviceList DosDevices() const;

    // Faults and state changes of controller `controller` (0 = A, 1 = B) of system `system`.
    void InjectFault(size_t system, int controller, const Fault& fault);
    // A fault for the host disk with this number (by SCSI operation code, or any).
    void InjectDiskFault(uint32_t disk, const Fault& fault);
    void SetControllerPresent(size_t system, int controller, bool present);
    // Down (no replies) or refusing (each command with refusalCode) for durationMs of the platform clock
    // (0: until changed again); Up ends either at once.
    void SetControllerCondition(size_t system, int controller, HalfState state, uint32_t durationMs,
                                int32_t refusalCode);
    // The controller restarts: back on the bus, down for durationMs, its unread reply and held parts lost.
    void Reboot(size_t system, int controller, uint32_t durationMs);
    // The host looks at its buses again: its disks are derived from the model once more.
    void Rescan();
    // Changes the model, then derives the host's disks again.
    void Edit(const std::function<void(FabricModel&)>& change);
    void SetHandler(uint32_t commandCode, const CapiHandler& handler);
    void RecordConfigurationChange(size_t system);

    // Writes the SCSI device map's "SerialNumber" values of every LUN the adapters list into the
    // registry (under the machine root).
    void WriteDeviceMap() const;

    Journal& journal() { return journal_; }
    FabricModel Model() const;

  private:
    struct DiskFaults {
        HostDisk disk;
        FaultScript script;
    };

    bool ValidController(size_t system, int controller) const;
    // Derives the host's disks again (a disk that stays keeps its number) and their DOS names.
    void DeriveDisks();
    const HostDisk* FindDisk(const HostDisk& opened) const;
    ScsiOutcome ExecuteDiskCommand(const HostDisk& disk, const ScsiAddress& path, const ScsiRequest& request);

    mutable std::mutex mutex_;
    FabricModel model_;
    std::vector<HostDisk> disks_;
    DosDeviceList dosDevices_;
    std::vector<std::unique_ptr<ManagementLun>> luns_;  // two per system: A then B
    std::vector<DiskFaults> diskFaults_;
    CommandOverrides overrides_;
    Journal journal_;
};

// The DOS device names of these disks.
std::vector<DosDevice> BuildDosDevices(const FabricModel& model, const std::vector<HostDisk>& disks);

}  // namespace sim
