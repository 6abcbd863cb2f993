#include "sim/model/snapshots.h"

#include <algorithm>

#include "sim/model/array_config.h"
#include "sim/model/pair.h"

namespace sim {

uint8_t RolloffCopy::PercentComplete(uint64_t nowMs) const {
    uint8_t percent = 100;
    if (durationMs != 0 && nowMs < startMs + durationMs) {
        const uint64_t elapsed = nowMs > startMs ? nowMs - startMs : 0;
        percent = static_cast<uint8_t>(elapsed * 100 / durationMs);
    }
    return std::min(percent, stallPercent);
}

uint64_t NextTag(SnapshotServices& services, uint8_t failoverId) {
    // The failoverId in the high half keeps the two controllers' tags apart.
    uint64_t& last = services.lastTag[failoverId & 1];
    last = (uint64_t{failoverId & 1u} + 1) << 32 | ((last + 1) & 0xFFFFFFFFu);
    return last;
}

uint8_t SpecialClassOf(PartitionClass kind) { return kind == PartitionClass::Standard ? 0 : 1; }

uint8_t SpecialTypeOf(PartitionClass kind) {
    switch (kind) {
        case PartitionClass::BackingStore: return 1;
        case PartitionClass::Master: return 2;
        case PartitionClass::Snapshot: return 3;
        case PartitionClass::Standard: break;
    }
    return 0;
}

PartitionClass PartitionClassOf(uint8_t specialClass, uint8_t specialType) {
    if (specialClass == 0) return PartitionClass::Standard;
    for (PartitionClass kind :
         {PartitionClass::BackingStore, PartitionClass::Master, PartitionClass::Snapshot}) {
        if (SpecialTypeOf(kind) == specialType) return kind;
    }
    return PartitionClass::Standard;
}

Partition& AddVolumeLike(StorageSystem& pair, const Partition& source, PartitionClass kind,
                         std::string name) {
    Partition volume;
    volume.name = std::move(name);
    volume.array = source.array;
    volume.blocks = source.blocks;
    volume.partitionClass = kind;
    volume.type = SpecialTypeOf(kind);
    uint16_t unit = 0;
    for (const Partition& p : pair.partitions)
        unit = std::max<uint16_t>(unit, static_cast<uint16_t>(p.lun + 1));
    volume.lun = unit;
    volume.serial = NewPartitionSerial(pair);
    pair.partitions.push_back(std::move(volume));
    return pair.partitions.back();
}

uint32_t SnapshotCount(const StorageSystem& pair, const Serial16& master) {
    return static_cast<uint32_t>(
        std::count_if(pair.partitions.begin(), pair.partitions.end(), [&](const Partition& p) {
            return p.partitionClass == PartitionClass::Snapshot && p.snapshot.master == master;
        }));
}

uint32_t MasterVolumeCount(const StorageSystem& pair, const Serial16& pool) {
    return static_cast<uint32_t>(
        std::count_if(pair.partitions.begin(), pair.partitions.end(), [&](const Partition& p) {
            return p.partitionClass == PartitionClass::Master && p.snapshot.master == pool;
        }));
}

void ForgetPolicy(SnapshotServices& services, const Serial16& pool) {
    auto& policies = services.policies;
    policies.erase(std::remove_if(policies.begin(), policies.end(),
                                  [&](const DmsPolicy& policy) { return policy.backingStore == pool; }),
                   policies.end());
}

}  // namespace sim
