// A pair's point-in-time copy services beyond the partitions themselves: the data-management tags it hands
// out, the policies of its backing stores (snap pools), and the full copies (rolloff volumes) it runs.
// Snapshots, master volumes and backing stores are partitions of their class (sim/model/partition.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/identifiers.h"
#include "sim/model/partition.h"

namespace sim {

struct StorageSystem;

inline constexpr uint32_t kMaxSnapshotsPerCommand = 16;

// A backing store's policy: what the controller does at its warning, error and critical levels, and the
// threshold value.
struct DmsPolicy {
    Serial16 backingStore{};
    uint8_t warning = 0;
    uint8_t error = 0;
    uint8_t critical = 0;
    uint64_t threshold = 0;
};

// A full copy of a source volume into a rolloff volume; done once durationMs has passed since startMs,
// unless it stalls: its progress then stops at stallPercent (below 100) and it never completes.
struct RolloffCopy {
    Serial16 volume{};
    Serial16 source{};
    uint64_t startMs = 0;
    uint64_t durationMs = 0;
    uint8_t stallPercent = 100;

    uint8_t PercentComplete(uint64_t nowMs) const;
    bool Running(uint64_t nowMs) const { return PercentComplete(nowMs) < 100; }
};

struct SnapshotServices {
    // Each controller (by failoverId) hands out tags of its own; a create or commit must carry the tag that
    // the controller it reaches handed out last (0 before the first).
    std::array<uint64_t, 2> lastTag{};
    std::vector<DmsPolicy> policies;
    std::vector<RolloffCopy> rolloffs;
    uint64_t rolloffCopyMs = 300000;    // how long a full copy takes
    uint8_t rolloffStallPercent = 100;  // where the copies started from now on stall (100: none does)
    uint64_t volumesCreated = 0;        // numbers the serials of the volumes these services create
};

// The partition record's special class (1 for every point-in-time copy kind) and special type (1 backing
// store, 2 master volume, 3 snapshot).
uint8_t SpecialClassOf(PartitionClass kind);
uint8_t SpecialTypeOf(PartitionClass kind);
// The class of a new partition whose parameters carry this special class and type.
PartitionClass PartitionClassOf(uint8_t specialClass, uint8_t specialType);

// A new partition of the pair made by these services (a snapshot or a rolloff volume): like `source` in
// array and size, with a serial and unit number of its own; appended to the pair's partitions.
Partition& AddVolumeLike(StorageSystem& pair, const Partition& source, PartitionClass kind, std::string name);
// The next tag of the controller with this failoverId (0 or 1): never one of the other controller's.
uint64_t NextTag(SnapshotServices& services, uint8_t failoverId);
// The snapshots whose master volume is `master`.
uint32_t SnapshotCount(const StorageSystem& pair, const Serial16& master);
// The master volumes whose backing store is `pool`.
uint32_t MasterVolumeCount(const StorageSystem& pair, const Serial16& pool);
// Drops the policy of a backing store that goes.
void ForgetPolicy(SnapshotServices& services, const Serial16& pool);

}  // namespace sim
