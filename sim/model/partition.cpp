#include "sim/model/partition.h"

#include <algorithm>
#include <cstdio>

namespace sim {

bool PartitionMap::PresentedOn(size_t channels) const {
    const size_t n = std::min(channels, kMapChannels);
    return std::any_of(flags.begin(), flags.begin() + n, [](uint8_t f) { return CapiChannelFlagsMapped(f); });
}

PartitionMap PartitionMap::Presenting(uint16_t lun) {
    PartitionMap map;
    map.hlun = lun;
    map.flags.fill(kChannelMapped);
    return map;
}

PartitionMap PartitionMap::Hidden() { return PartitionMap{}; }

Serial16 DerivedVolumeSerial(const Serial6& controller, uint64_t index) {
    const std::string ctrl = HexText(controller);
    char text[33];
    std::snprintf(text, sizeof text, "0%s000%s%016llX", ctrl.substr(0, 6).c_str(), ctrl.substr(6, 6).c_str(),
                  static_cast<unsigned long long>(index));
    Serial16 serial{};
    BytesFromHexText(text, serial.data(), serial.size());
    return serial;
}

}  // namespace sim
