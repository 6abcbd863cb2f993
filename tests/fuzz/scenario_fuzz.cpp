// Scenario files over arbitrary text: no overrun, and a scenario that is taken builds a fabric whose
// references all hold and whose host disks are numbered once each.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "sim/fabric.h"
#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::FabricModel model;
    std::string error;
    if (!sim::ParseScenario(std::string(reinterpret_cast<const char*>(data), size), &model, &error)) return 0;
    for (const sim::StorageSystem& system : model.systems) {
        for (const sim::Partition& partition : system.partitions) {
            if (partition.array >= system.arrays.size()) abort();
        }
    }
    sim::Fabric fabric(std::move(model));
    std::set<uint32_t> numbers;
    for (const sim::HostDisk& disk : fabric.Disks()) {
        if (!numbers.insert(disk.number).second) abort();
    }
    return 0;
}
