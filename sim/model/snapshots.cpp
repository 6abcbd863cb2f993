#include "sim/model/snapshots.h"

#include <algorithm>

#include "sim/model/array_config.h"
#include "sim/model/pair.h"

namespace sim {

uint8_t RolloffCopy::PercentComplete(uint64_t nowMs) const {
    if (durationMs == 0 || nowMs >= startMs + durationMs) return 100;
    const uint64_t elapsed = nowMs > startMs ? nowMs - startMs : 0;
    return static_cast<uint8_t>(elapsed * 100 / durationMs);
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
    for (PartitionClass kind : {PartitionClass::BackingStore, PartitionClass::Master, PartitionClass::Snapshot}) {
        if (SpecialTypeOf(kind) == specialType) return kind;
    }
    return PartitionClass::Standard;
}

Partition& AddVolumeLike(StorageSystem& pair, const Partition& source, PartitionClass kind, std::string name) {
    Partition volume;
    volume.name = std::move(name);
    volume.array = source.array;
    volume.blocks = source.blocks;
    volume.partitionClass = kind;
    volume.type = SpecialTypeOf(kind);
    uint16_t unit = 0;
    for (const Partition& p : pair.partitions) unit = std::max<uint16_t>(unit, static_cast<uint16_t>(p.lun + 1));
    volume.lun = unit;
    volume.serial = NewPartitionSerial(pair);
    pair.partitions.push_back(std::move(volume));
    return pair.partitions.back();
}

uint32_t SnapshotCount(const StorageSystem& pair, const Serial16& master) {
    return static_cast<uint32_t>(std::count_if(pair.partitions.begin(), pair.partitions.end(), [&](const Partition& p) {
        return p.partitionClass == PartitionClass::Snapshot && p.snapshot.master == master;
    }));
}

}  // namespace sim
