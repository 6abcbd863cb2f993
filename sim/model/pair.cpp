#include "sim/model/pair.h"

#include <cstring>

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

Array* FindArray(StorageSystem& system, const uint8_t* serial32) {
    for (Array& array : system.arrays) {
        if (std::memcmp(array.serial.data(), serial32, array.serial.size()) == 0) return &array;
    }
    return nullptr;
}

Partition* FindPartition(StorageSystem& system, const uint8_t* serial16) {
    for (Partition& partition : system.partitions) {
        if (std::memcmp(partition.serial.data(), serial16, partition.serial.size()) == 0) return &partition;
    }
    return nullptr;
}

uint64_t UsedBlocks(const StorageSystem& system, size_t array) {
    uint64_t used = 0;
    for (const Partition& partition : system.partitions) {
        if (partition.array == array && partition.partitionClass != PartitionClass::Snapshot)
            used += partition.blocks;
    }
    return used;
}

uint64_t FreeBlocks(const StorageSystem& system, size_t array) {
    const uint64_t used = UsedBlocks(system, array);
    const uint64_t capacity = system.arrays[array].capacityBlocks;
    return capacity > used ? capacity - used : 0;
}

HalfState CurrentState(Controller& controller, uint64_t nowMs) {
    HalfCondition& condition = controller.condition;
    if (condition.state != HalfState::Up && condition.untilMs != 0 && nowMs >= condition.untilMs) {
        condition = HalfCondition{};
    }
    return condition.state;
}

}  // namespace sim
