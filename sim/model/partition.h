// A partition (volume) of a pair: where it lives, what it is, and how it is presented to hosts: a
// default mapping and one mapping per host port, each a host LUN with one flags byte per host channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_shared.h"
#include "sim/model/host_port.h"
#include "sim/model/identifiers.h"

namespace sim {

inline constexpr size_t kMapChannels = kMaxHostChannels;
// A channel flags byte with both top bits set presents the partition on that channel (0xC0 read-write;
// with the read-only bit 0x20, 0xE0); a byte below it does not.
inline constexpr uint8_t kChannelMapped = CAPI_MAP_FLAGS_MAPPED;
inline constexpr uint8_t kChannelReadOnly = 0x20;

struct PartitionMap {
    uint16_t hlun = 0;
    std::array<uint8_t, kMapChannels> flags{};

    // Presented on at least one of the first `channels` host channels.
    bool PresentedOn(size_t channels) const;
    // A map presenting the LUN on every channel.
    static PartitionMap Presenting(uint16_t lun);
    static PartitionMap Hidden();
};

// The mapping for one host port.
struct HostMapping {
    HostPortId host;
    PartitionMap map;
};

enum class PartitionClass : uint8_t { Standard = 0, Snapshot = 1, Master = 2, BackingStore = 3 };

// Of a snapshot: the master volume it was taken of, when, in which set (its tag) and whether it is
// committed. Of a master volume: its backing store in `master`.
struct SnapshotData {
    Serial16 master{};
    uint64_t takenMs = 0;
    uint64_t tag = 0;
    bool committed = false;
};

// Of a volume being rolled off into its master: how far it has come.
struct RolloffData {
    bool active = false;
    uint32_t percentComplete = 0;
};

struct Partition {
    std::string name;
    std::string description;
    Serial16 serial{};
    size_t array = 0;
    uint64_t blocks = 0;
    PartitionClass partitionClass = PartitionClass::Standard;
    uint8_t type = 0;
    uint16_t lun = 0;  // the array's own unit number for it
    PartitionMap defaultMap = PartitionMap::Hidden();
    std::vector<HostMapping> hostMaps;
    SnapshotData snapshot;
    RolloffData rolloff;
};

// A 16-byte partition serial derived from the controller serial: as 32 hexadecimal characters it
// carries the controller serial text at characters 1-6 and 10-15, and the index in its last 16.
Serial16 DerivedVolumeSerial(const Serial6& controller, uint64_t index);

}  // namespace sim
