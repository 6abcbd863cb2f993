// The mapping commands: present a partition to a host port (or by default) or take it away, and read a
// partition's view of its mappings.
#include <algorithm>
#include <cstring>

#include "corlink/capi/capi_command_codes.h"
#include "corlink/capi/capi_error_codes.h"
#include "corlink/capi/capi_event_codes.h"
#include "corlink/capi/capi_host.h"
#include "sim/capi/command_table.h"
#include "sim/capi/object_id.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeMapUnmap = 63;
constexpr uint32_t kIncludePartitionView = 65;
constexpr uint8_t kIdentityIscsiName = 1;
// The initiator name of an iSCSI host port, at the end of the map record.
constexpr uint32_t kInitiatorNameOffset = 180;
constexpr uint32_t kInitiatorNameLength = 224;

// The host port a map record names: an iSCSI name, or a port name (all zero: the default mapping).
HostMapping TargetOf(const Call& call, const CAPI_MAP_UNMAP_PARAMS& record) {
    HostMapping target;
    if (record.flexId.type == kIdentityIscsiName) {
        const auto* name = reinterpret_cast<const char*>(call.IncludeAt(kInitiatorNameOffset, kInitiatorNameLength));
        if (name != nullptr) target.iscsiName.assign(name, strnlen(name, kInitiatorNameLength));
    } else {
        std::memcpy(target.port.data(), record.flexId.FCPortWWN, target.port.size());
    }
    target.map.hlun = record.mapping.hlun;
    std::memcpy(target.map.flags.data(), record.mapping.flags, target.map.flags.size());
    return target;
}

void MapUnmapPartition(Call& call) {
    CAPI_MAP_UNMAP_PARAMS record;
    if (!call.Include(&record)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    Partition* partition = FindPartition(pair, record.partitionSerialNumber);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);

    HostMapping target = TargetOf(call, record);
    if (target.iscsiName.empty() && target.port == Wwn{}) {
        partition->defaultMap = target.map;
    } else {
        auto& maps = partition->hostMaps;
        auto same = std::find_if(maps.begin(), maps.end(), [&](const HostMapping& m) {
            return m.port == target.port && m.iscsiName == target.iscsiName;
        });
        if (same != maps.end()) maps.erase(same);
        if (target.map.PresentedOn(pair.params.numHostChannels)) maps.push_back(target);
    }
    call.PostEvent(CAPI_EVENT_MAP_UNMAP_ARRAY_PARTITION);
}

void PartitionView(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, sizeof(Serial16));
    Partition* partition = serial != nullptr ? FindPartition(call.pair(), serial) : nullptr;
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    call.ReplyList(kIncludePartitionView, 1, PartitionViewPayload(*partition));
}

constexpr CommandRow kRows[] = {
    {CAPI_COMMAND_U_MAP_UNMAP_PARTITION, "U_MAP_UNMAP_PARTITION", kIncludeMapUnmap, sizeof(CAPI_MAP_UNMAP_PARAMS),
     true, Sequence::PairInParams23, MapUnmapPartition},
    {CAPI_COMMAND_U_GET_PARTITION_VIEW, "U_GET_PARTITION_VIEW", kIncludeObjectId, sizeof(Serial16), false,
     Sequence::PairInParams23, PartitionView},
};

}  // namespace

CommandFamily MappingCommands() { return kRows; }

}  // namespace sim
