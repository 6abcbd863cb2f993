#include "sim/fabric.h"

#include "sim/host_disk.h"
#include "sim/host_errors.h"
#include "sim/inquiry_data.h"

namespace sim {
Fabric::Fabric(FabricModel model) : model_(std::move(model)), disks_(DeriveHostDisks(model_)) {
    for (size_t s = 0; s < model_.systems.size(); ++s) {
        for (int c = 0; c < 2; ++c) luns_.push_back(std::make_unique<ManagementLun>(c));
    }
}

bool Fabric::ValidController(size_t system, int controller) const {
    return system < model_.systems.size() && (controller == 0 || controller == 1);
}

ScsiOutcome Fabric::ExecuteOnAdapter(const ScsiAddress& address, const ScsiRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t s = 0; s < model_.systems.size(); ++s) {
        StorageSystem& system = model_.systems[s];
        for (int c = 0; c < 2; ++c) {
            if (system.controllers[c].managementLun == address) {
                return luns_[s * 2 + c]->Execute(request, system, journal_);
            }
        }
    }
    for (const HostDisk& disk : disks_) {
        StorageSystem& system = model_.systems[disk.system];
        const bool throughA = disk.address == address && system.controllers[0].present;
        const bool throughB = disk.secondPath == address && system.controllers[1].present;
        if (throughA || throughB) return ExecuteHostDiskCommand(system, system.volumes[disk.volume], request);
    }
    return HostFailure(kHostErrorDeviceGone);
}

ScsiOutcome Fabric::ExecuteOnDisk(uint32_t disk, const ScsiRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (disk >= disks_.size()) return HostFailure(kHostErrorDeviceGone);
    const StorageSystem& system = model_.systems[disks_[disk].system];
    if (!system.controllers[0].present && !system.controllers[1].present) return HostFailure(kHostErrorDeviceGone);
    return ExecuteHostDiskCommand(system, system.volumes[disks_[disk].volume], request);
}

bool Fabric::AdapterExists(uint32_t adapter) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const StorageSystem& system : model_.systems) {
        for (const Controller& c : system.controllers) {
            if (c.managementLun.adapter == adapter) return true;
        }
    }
    return false;
}

std::vector<ListedLun> Fabric::ListAdapter(uint32_t adapter) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ListedLun> listed;
    for (const StorageSystem& system : model_.systems) {
        for (int c = 0; c < 2; ++c) {
            const Controller& controller = system.controllers[c];
            if (controller.managementLun.adapter != adapter || !controller.present) continue;
            listed.push_back({controller.managementLun, false, ManagementLunInquiry(system, c)});
        }
    }
    for (const HostDisk& disk : disks_) {
        const StorageSystem& system = model_.systems[disk.system];
        const ScsiAddress paths[2] = {disk.address, disk.secondPath};
        for (int c = 0; c < 2; ++c) {
            if (paths[c].adapter != adapter || !system.controllers[c].present) continue;
            listed.push_back({paths[c], true, HostDiskInquiry(system)});
        }
    }
    return listed;
}

std::vector<HostDisk> Fabric::Disks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return disks_;
}

void Fabric::InjectFault(size_t system, int controller, const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ValidController(system, controller)) luns_[system * 2 + controller]->faults().Add(fault);
}

void Fabric::SetControllerPresent(size_t system, int controller, bool present) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ValidController(system, controller)) model_.systems[system].controllers[controller].present = present;
}

void Fabric::SetHandler(uint32_t commandCode, const CapiHandler& handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& lun : luns_) lun->responder().SetHandler(commandCode, handler);
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
