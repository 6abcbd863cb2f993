#include "sim/model/array_config.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace sim {

void AssignDrives(StorageSystem& system) {
    const Serial6& controller = system.controllers[0].serial;
    for (size_t i = 0; i < system.drives.size(); ++i) {
        Drive& drive = system.drives[i];
        drive.channel = 0;
        drive.scsiId = static_cast<uint16_t>(i);
        drive.wwn = {0x50,
                     0x00,
                     0xC5,
                     controller[3],
                     controller[4],
                     controller[5],
                     static_cast<uint8_t>(i >> 8),
                     static_cast<uint8_t>(i)};
    }
    auto next = system.drives.begin();
    for (const Array& array : system.arrays) {
        for (uint32_t m = 0; m < array.numDrives; ++m) {
            next = std::find_if(next, system.drives.end(),
                                [](const Drive& d) { return d.use == DriveUse::Available; });
            if (next == system.drives.end()) return;
            next->use = DriveUse::Member;
            next->array = array.serial;
        }
    }
}

Drive* FindDriveByWwn(StorageSystem& system, const uint8_t* wwn) {
    for (Drive& drive : system.drives) {
        if (std::memcmp(drive.wwn.data(), wwn, drive.wwn.size()) == 0) return &drive;
    }
    return nullptr;
}

std::optional<size_t> ArrayIndex(const StorageSystem& system, const uint8_t* serial32) {
    for (size_t a = 0; a < system.arrays.size(); ++a) {
        if (std::memcmp(system.arrays[a].serial.data(), serial32, 32) == 0) return a;
    }
    return std::nullopt;
}

size_t MemberCount(const StorageSystem& system, const ArraySerial& serial) {
    return static_cast<size_t>(std::count_if(system.drives.begin(), system.drives.end(), [&](const Drive& d) {
        return d.use == DriveUse::Member && d.array == serial;
    }));
}

ArraySerial NewArraySerial(const StorageSystem& system) {
    for (size_t k = system.arrays.size();; ++k) {
        const std::string text = HexText(system.controllers[0].serial) + "A" + std::to_string(k);
        ArraySerial serial{};
        std::copy_n(text.begin(), std::min<size_t>(text.size(), serial.size()), serial.begin());
        if (!ArrayIndex(system, serial.data())) return serial;
    }
}

Serial16 NewPartitionSerial(const StorageSystem& system) {
    for (uint64_t k = system.partitions.size() + 1;; ++k) {
        const Serial16 serial = DerivedVolumeSerial(system.controllers[0].serial, k);
        const bool used = std::any_of(system.partitions.begin(), system.partitions.end(),
                                      [&](const Partition& p) { return p.serial == serial; });
        if (!used) return serial;
    }
}

void RemoveArray(StorageSystem& system, size_t array) {
    const ArraySerial serial = system.arrays[array].serial;
    auto& partitions = system.partitions;
    partitions.erase(std::remove_if(partitions.begin(), partitions.end(),
                                    [&](const Partition& p) { return p.array == array; }),
                     partitions.end());
    for (Partition& p : partitions) {
        if (p.array > array) --p.array;
    }
    for (Drive& drive : system.drives) {
        if (drive.array != serial) continue;
        if (drive.use == DriveUse::Member || drive.use == DriveUse::DedicatedSpare)
            drive.use = DriveUse::Available;
        drive.array = {};
    }
    system.arrays.erase(system.arrays.begin() + static_cast<std::ptrdiff_t>(array));
}

}  // namespace sim
