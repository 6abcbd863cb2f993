// The records a simulated controller returns, built in the product's own CAPI structures from the model.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/fabric_model.h"

namespace sim {

// The bytes of a record, as a reply carries them.
template <class T>
std::vector<uint8_t> BytesOf(const T& structure) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&structure);
    return std::vector<uint8_t>(bytes, bytes + sizeof(T));
}
// A record on the heap, every byte zero (the large ones do not fit a stack).
template <class T>
std::unique_ptr<T> ZeroedRecord() {
    auto record = std::make_unique<T>();
    std::memset(record.get(), 0, sizeof(T));
    return record;
}

// CAPI_UNIFIED_CONTROLLER of the pair: half 1 is controller A, half 0 controller B.
std::vector<uint8_t> UnifiedControllerPayload(const StorageSystem& system);
// The arrays as CAPI_ARRAY records.
std::vector<uint8_t> ArrayListPayload(const StorageSystem& system);
// The drives as CAPI_UNIFIED_DRIVE records.
std::vector<uint8_t> DriveListPayload(const StorageSystem& system);

// The partitions of one array as CAPI_UNIFIED_PARTITION records.
std::vector<uint8_t> PartitionListPayload(const StorageSystem& system, size_t array);
// The system's enclosures (at most kMaxEnclosures): enclosure k has the system's enclosure WWN with k added
// to its last byte.
inline constexpr size_t kMaxEnclosures = 16;
size_t EnclosureCount(const StorageSystem& system);
Wwn EnclosureWwn(const StorageSystem& system, size_t enclosure);
// Enclosure k as the scenario or the last SET_DRIVE_ENCLOSURE left it; by default its serial is its WWN in
// hexadecimal, its name "Enclosure <k + 1>", no location and rack 0.
Enclosure EnclosureOf(const StorageSystem& system, size_t enclosure);
// The 32 bytes of CAPI_DRIVE_ENCLOSURE's empSerialNumber that name enclosure k.
std::array<uint8_t, 32> EnclosureSerialBytes(const StorageSystem& system, size_t enclosure);
// The enclosures as CAPI_DRIVE_ENCLOSURE records.
std::vector<uint8_t> EnclosureListPayload(const StorageSystem& system);
// One enclosure as a CAPI_ADVANCED_DRIVE_ENCLOSURE with its settings; the first holds the FRU whose supplier
// serial names the system.
std::vector<uint8_t> AdvancedEnclosurePayload(const StorageSystem& system, size_t enclosure);
// The view of one partition as a CAPI_PARTITION_VIEW_TABLE: its default mapping and one per host port.
std::vector<uint8_t> PartitionViewPayload(const Partition& partition);

}  // namespace sim
