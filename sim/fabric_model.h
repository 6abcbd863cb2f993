// The simulated storage fabric's model: storage systems (controller pairs, sim/model/pair.h) and the host
// (sim/model/host.h), whose adapters see the controllers' management LUNs and whose disks are its own
// and the partitions mapped to its ports.
#pragma once

#include <vector>

#include "sim/model/host.h"
#include "sim/model/identifiers.h"
#include "sim/model/pair.h"
#include "sim/model/partition.h"

namespace sim {

struct FabricModel {
    std::vector<StorageSystem> systems;
    Host host;
};

// The host's disks, derived again from the model. A disk in `previous` that is still there keeps its
// number; a new one takes the lowest free number. Local disks come first, then partitions in system and
// partition order. Sorted by number.
std::vector<HostDisk> DeriveHostDisks(const FabricModel& model, const std::vector<HostDisk>& previous = {});

}  // namespace sim
