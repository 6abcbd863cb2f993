// The answer of a scripted proxy to a controller read (GET_CONTROLLER): the controller object's own data
// (controller record, arrays and partitions) as the proxy would send it back, with further partitions the
// array has made since. The reply travels in host order, its status word big-endian.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "provider/controllers/capi_raid_controller.h"

namespace providertest {

inline std::vector<uint8_t> ControllerReadOf(const BVSS_CapiRaidController& controller,
                                             const std::vector<API_PARTITION_ENTRY>& added = {}) {
    std::vector<uint8_t> bytes(sizeof(API_RAID_CONTROLLER), 0);
    auto* reply = reinterpret_cast<API_RAID_CONTROLLER*>(bytes.data());
    reply->controllerId = static_cast<uint32_t>(controller.mHandle);
    reply->controller = controller.mControllerData;
    reply->numArrays = controller.mNumArrays;
    std::copy(controller.mArrays, controller.mArrays + std::min<uint32_t>(controller.mNumArrays, kMaxArrays),
              reply->arrays);
    for (uint32_t a = 0; a < reply->numArrays && a < kMaxArrays; ++a)
        reply->arrays[a].largeNumArrayPartitions = 0;
    for (uint32_t i = 0; i < controller.mPartitionCount; ++i)
        reply->partitions[reply->partitionCount++] = controller.mPartitions[i];
    for (const API_PARTITION_ENTRY& entry : added) reply->partitions[reply->partitionCount++] = entry;
    for (uint32_t i = 0; i < reply->partitionCount; ++i)
        if (reply->partitions[i].arrayIndex < reply->numArrays)
            ++reply->arrays[reply->partitions[i].arrayIndex].largeNumArrayPartitions;
    return bytes;
}

// A partition entry of the array at `arrayIndex`: a snapshot (class 1, type 3) unless told otherwise.
inline API_PARTITION_ENTRY PartitionEntry(uint8_t arrayIndex, uint16_t partitionIndex, uint8_t idByte,
                                          const char* name, uint8_t specialClass = kClassSnapshotFamily,
                                          uint8_t type = CAPI_PTSNAP_SNAPSHOT) {
    API_PARTITION_ENTRY entry{};
    entry.arrayIndex = arrayIndex;
    entry.partitionIndex = partitionIndex;
    std::memset(entry.partition.serialNumber, idByte, 16);
    std::strncpy(entry.partition.name, name, sizeof entry.partition.name);
    entry.partition.specialClass = specialClass;
    entry.partition.type = type;
    return entry;
}

}  // namespace providertest
