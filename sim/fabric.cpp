#include "sim/fabric.h"

#include <cstdio>

#include "platform/kernel/sync.h"
#include "platform/time/clock.h"
#include "sim/host_disk.h"
#include "sim/host_errors.h"
#include "sim/inquiry_data.h"

namespace sim {
namespace {

std::string OutcomeText(const ScsiOutcome& outcome) {
    char text[32];
    if (outcome.hostError != 0) {
        std::snprintf(text, sizeof text, "error %u", outcome.hostError);
    } else if (outcome.status != SCSI_STATUS_GOOD) {
        // "check 5/24/00", or another status with its sense: "status 18 5/24/00".
        char status[16] = "check";
        if (outcome.status != SCSI_STATUS_CHECK_CONDITION)
            std::snprintf(status, sizeof status, "status %02X", outcome.status);
        std::snprintf(text, sizeof text, "%s %X/%02X/%02X", status, outcome.sense[2] & 0x0F,
                      outcome.sense[12], outcome.sense[13]);
    } else {
        return "good";
    }
    return text;
}

ScsiOutcome DiskFaultOutcome(const Fault& fault) {
    switch (fault.kind) {
        case FaultKind::DiskCheckCondition:
        case FaultKind::DiskReservationConflict:
            return StatusWithSense(
                fault.kind == FaultKind::DiskCheckCondition ? SCSI_STATUS_CHECK_CONDITION
                                                            : SCSI_STATUS_RESERVATION_CONFLICT,
                static_cast<uint8_t>(fault.returnCode >> 16), static_cast<uint8_t>(fault.returnCode >> 8),
                static_cast<uint8_t>(fault.returnCode));
        case FaultKind::DiskTimeout: return HostFailure(kHostErrorTimeout);
        default:
            return HostFailure(fault.returnCode != 0 ? static_cast<uint32_t>(fault.returnCode)
                                                     : kHostErrorDeviceGone);
    }
}

}  // namespace

Fabric::Fabric(FabricModel model) : model_(std::move(model)) {
    for (size_t s = 0; s < model_.systems.size(); ++s) {
        for (int c = 0; c < 2; ++c) luns_.push_back(std::make_unique<ManagementLun>(c));
    }
    DeriveDisks();
}

bool Fabric::ValidController(size_t system, int controller) const {
    return system < model_.systems.size() && (controller == 0 || controller == 1);
}

void Fabric::DeriveDisks() {
    disks_ = DeriveHostDisks(model_, disks_);
    dosDevices_ = std::make_shared<const std::vector<DosDevice>>(BuildDosDevices(model_, disks_));
}

const HostDisk* Fabric::FindDisk(const HostDisk& opened) const {
    for (const HostDisk& disk : disks_) {
        if (disk.SameDiskAs(opened)) return disk.number == opened.number ? &disk : nullptr;
    }
    return nullptr;
}

ScsiOutcome Fabric::ExecuteOnAdapter(const ScsiAddress& address, const ScsiRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t s = 0; s < model_.systems.size(); ++s) {
        StorageSystem& system = model_.systems[s];
        for (int c = 0; c < 2; ++c) {
            if (system.controllers[c].managementLun != address) continue;
            bool changed = false;
            const ScsiOutcome outcome =
                luns_[s * 2 + c]->Execute(request, {system, model_.host, journal_, overrides_}, &changed);
            if (changed) DeriveDisks();
            return outcome;
        }
    }
    for (const HostDisk& disk : disks_) {
        if (disk.local) {
            if (disk.address == address) return ExecuteDiskCommand(disk, address, request);
            continue;
        }
        const StorageSystem& system = model_.systems[disk.system];
        const uint64_t now = platform::GetClock().NowMs();
        const bool throughA = disk.address == address && OnBus(system.controllers[0], now);
        const bool throughB = disk.secondPath == address && OnBus(system.controllers[1], now);
        if (throughA || throughB) return ExecuteDiskCommand(disk, address, request);
    }
    return HostFailure(kHostErrorDeviceGone);
}

ScsiOutcome Fabric::ExecuteOnDisk(const HostDisk& opened, const ScsiRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    const HostDisk* disk = FindDisk(opened);
    if (disk == nullptr) return HostFailure(kHostErrorDeviceGone);
    if (!disk->local) {
        const StorageSystem& system = model_.systems[disk->system];
        const uint64_t now = platform::GetClock().NowMs();
        if (!OnBus(system.controllers[0], now) && !OnBus(system.controllers[1], now))
            return HostFailure(kHostErrorDeviceGone);
    }
    return ExecuteDiskCommand(*disk, disk->address, request);
}

ScsiOutcome Fabric::ExecuteDiskCommand(const HostDisk& disk, const ScsiAddress& path,
                                       const ScsiRequest& request) {
    DiskJournalEntry entry;
    entry.timeMs = GetTickCount();
    entry.disk = disk.number;
    entry.address = path;
    if (request.cdb != nullptr) entry.cdb.assign(request.cdb, request.cdb + request.cdbLength);
    entry.timeoutSeconds = request.timeoutSeconds;

    std::optional<Fault> fault;
    const uint32_t opcode = request.cdbLength > 0 && request.cdb != nullptr ? request.cdb[0] : 0;
    for (DiskFaults& faults : diskFaults_) {
        if (faults.disk.SameDiskAs(disk) && (fault = faults.script.Take(opcode))) break;
    }
    ScsiOutcome outcome;
    if (fault) {
        entry.fault = FaultKindName(fault->kind);
        outcome = DiskFaultOutcome(*fault);
    } else if (disk.local) {
        outcome = ExecuteLocalDiskCommand(model_.host.localDisks[disk.localIndex], request);
    } else {
        const StorageSystem& system = model_.systems[disk.system];
        outcome = ExecuteHostDiskCommand(system, system.partitions[disk.partition], request);
    }
    entry.outcome = OutcomeText(outcome);
    journal_.RecordDisk(entry);
    return outcome;
}

bool Fabric::AdapterExists(uint32_t adapter) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const StorageSystem& system : model_.systems) {
        for (const Controller& c : system.controllers) {
            if (c.managementLun.adapter == adapter) return true;
        }
    }
    for (const LocalDisk& disk : model_.host.localDisks) {
        if (disk.address.adapter == adapter) return true;
    }
    return false;
}

std::vector<ListedLun> Fabric::ListAdapter(uint32_t adapter) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ListedLun> listed;
    const uint64_t now = platform::GetClock().NowMs();
    for (const StorageSystem& system : model_.systems) {
        for (int c = 0; c < 2; ++c) {
            const Controller& controller = system.controllers[c];
            if (controller.managementLun.adapter != adapter || !OnBus(controller, now)) continue;
            listed.push_back({controller.managementLun, false, ManagementLunInquiry(system, c)});
        }
    }
    for (const HostDisk& disk : disks_) {
        if (disk.local) {
            if (disk.address.adapter == adapter) {
                listed.push_back(
                    {disk.address, true, LocalDiskInquiry(model_.host.localDisks[disk.localIndex])});
            }
            continue;
        }
        const StorageSystem& system = model_.systems[disk.system];
        const ScsiAddress paths[2] = {disk.address, disk.secondPath};
        for (int c = 0; c < 2; ++c) {
            if (paths[c].adapter != adapter || !OnBus(system.controllers[c], now)) continue;
            listed.push_back({paths[c], true, HostDiskInquiry(system)});
        }
    }
    return listed;
}

std::vector<HostDisk> Fabric::Disks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return disks_;
}

std::optional<HostDisk> Fabric::Disk(uint32_t number) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const HostDisk& disk : disks_) {
        if (disk.number == number) return disk;
    }
    return std::nullopt;
}

std::optional<HostDisk> Fabric::CurrentDisk(const HostDisk& opened) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const HostDisk* disk = FindDisk(opened);
    if (disk == nullptr) return std::nullopt;
    return *disk;
}

DosDeviceList Fabric::DosDevices() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dosDevices_;
}

void Fabric::InjectFault(size_t system, int controller, const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ValidController(system, controller)) luns_[system * 2 + controller]->faults().Add(fault);
}

void Fabric::InjectDiskFault(uint32_t disk, const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const HostDisk& current : disks_) {
        if (current.number != disk) continue;
        for (DiskFaults& faults : diskFaults_) {
            if (faults.disk.SameDiskAs(current)) return faults.script.Add(fault);
        }
        diskFaults_.push_back({current, {}});
        diskFaults_.back().script.Add(fault);
    }
}

void Fabric::SetControllerPresent(size_t system, int controller, bool present) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ValidController(system, controller)) model_.systems[system].controllers[controller].present = present;
}

void Fabric::SetControllerCondition(size_t system, int controller, HalfState state, uint32_t durationMs,
                                    int32_t refusalCode) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ValidController(system, controller)) return;
    HalfCondition& condition = model_.systems[system].controllers[controller].condition;
    condition = {state, 0, state == HalfState::Refusing ? refusalCode : 0};
    if (state != HalfState::Up && durationMs != 0)
        condition.untilMs = platform::GetClock().NowMs() + durationMs;
}

void Fabric::Reboot(size_t system, int controller, uint32_t durationMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ValidController(system, controller)) return;
    Controller& half = model_.systems[system].controllers[controller];
    half.present = true;
    half.condition = {};
    half.settings.restart = {};
    if (durationMs != 0) half.condition = {HalfState::Down, platform::GetClock().NowMs() + durationMs, 0};
    auto& lun = luns_[system * 2 + controller];
    FaultScript faults = std::move(lun->faults());
    lun = std::make_unique<ManagementLun>(controller);
    lun->faults() = std::move(faults);
}

void Fabric::Rescan() {
    std::lock_guard<std::mutex> lock(mutex_);
    DeriveDisks();
}

void Fabric::Edit(const std::function<void(FabricModel&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(model_);
    DeriveDisks();
}

void Fabric::SetHandler(uint32_t commandCode, const CapiHandler& handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    overrides_[commandCode] = handler;
}

void Fabric::RecordConfigurationChange(size_t system) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (system < model_.systems.size()) sim::RecordConfigurationChange(model_.systems[system]);
}

FabricModel Fabric::Model() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return model_;
}

}  // namespace sim
