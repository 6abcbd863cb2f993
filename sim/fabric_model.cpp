#include "sim/fabric_model.h"

#include <cstdio>

#include "corlink/service/utilities.h"

namespace sim {

uint32_t ConfigSequenceNumber(const StorageSystem& system, int controller) {
    const Controller& own = system.controllers[controller];
    const Controller& other = system.controllers[1 - controller];
    return static_cast<uint32_t>(own.localChanges) | (static_cast<uint32_t>(other.localChanges) << 16);
}

void RecordConfigurationChange(StorageSystem& system) {
    for (Controller& c : system.controllers) c.localChanges = static_cast<uint8_t>(c.localChanges + 1);
    ++system.arrayListChanges;
    ++system.driveListChanges;
}

std::vector<HostDisk> DeriveHostDisks(const FabricModel& model) {
    std::vector<HostDisk> disks;
    for (size_t s = 0; s < model.systems.size(); ++s) {
        const StorageSystem& system = model.systems[s];
        for (size_t v = 0; v < system.volumes.size(); ++v) {
            const Volume& volume = system.volumes[v];
            if (volume.hostLun == 0 || volume.hostLun > 255) continue;
            HostDisk disk;
            disk.number = static_cast<uint32_t>(disks.size());
            disk.system = s;
            disk.volume = v;
            disk.address = system.controllers[0].managementLun;
            disk.address.lun = static_cast<uint8_t>(volume.hostLun);
            disk.secondPath = system.controllers[1].managementLun;
            disk.secondPath.lun = static_cast<uint8_t>(volume.hostLun);
            disks.push_back(disk);
        }
    }
    return disks;
}

std::array<uint8_t, 16> DerivedVolumeSerial(const Serial6& controller, uint64_t index) {
    const std::string ctrl = HexText(controller);
    char text[33];
    std::snprintf(text, sizeof text, "0%s000%s%016llX", ctrl.substr(0, 6).c_str(), ctrl.substr(6, 6).c_str(),
                  static_cast<unsigned long long>(index));
    std::array<uint8_t, 16> serial{};
    HexStringToBytes(text, 16, serial.data());
    return serial;
}

std::string HexText(const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace sim
