// The mapping commands: present a partition to a host port (or by default) or take it away, and read a
// partition's view of its mappings or a host port's view of the partitions it sees.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_event_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/host_records.h"
#include "sim/capi/object_id.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeMapUnmap = 63;
constexpr uint32_t kIncludeHostViewParams = 64;
constexpr uint32_t kIncludePartitionView = 65;
constexpr uint32_t kIncludeHostView = 66;
// The initiator name of an iSCSI host port, at the end of the map record and of the host view parameters.
constexpr uint32_t kMapInitiatorNameAt = 180;
constexpr uint32_t kHostViewInitiatorNameAt = 108;

// The host port a record names (no port: the default mapping), with the mapping it asks for.
HostMapping TargetOf(const Call& call, const CAPI_MAP_UNMAP_PARAMS& record) {
    HostMapping target;
    target.host = PortOf(record.flexId, call.IncludeAt(kMapInitiatorNameAt, kIscsiNameLength));
    target.map.hlun = record.mapping.hlun;
    std::memcpy(target.map.flags.data(), record.mapping.flags, target.map.flags.size());
    return target;
}

// Another partition that the target's port (for the default mapping: every host) already sees at its LUN.
bool LunTaken(const StorageSystem& pair, const Partition& partition, const HostMapping& target) {
    const size_t channels = pair.params.numHostChannels;
    if (!target.map.PresentedOn(channels)) return false;
    return std::any_of(pair.partitions.begin(), pair.partitions.end(), [&](const Partition& other) {
        const PartitionMap* seen = &other != &partition ? MapSeenBy(other, target.host, channels) : nullptr;
        return seen != nullptr && seen->hlun == target.map.hlun;
    });
}

void MapUnmapPartition(Call& call) {
    CAPI_MAP_UNMAP_PARAMS record;
    if (!call.Include(&record)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    Partition* partition = FindPartition(pair, record.partitionSerialNumber);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);

    const HostMapping target = TargetOf(call, record);
    if (LunTaken(pair, *partition, target)) return call.Fail(CAPI_ERROR_LUN_OVERLAP);
    if (target.host.Empty()) {
        partition->defaultMap = target.map;
    } else {
        auto& maps = partition->hostMaps;
        auto same = std::find_if(maps.begin(), maps.end(),
                                 [&](const HostMapping& m) { return m.host.SameAs(target.host); });
        if (same != maps.end()) maps.erase(same);
        if (target.map.PresentedOn(pair.params.numHostChannels)) maps.push_back(target);
    }
    call.PostEvent(CAPI_EVENT_MAP_UNMAP_ARRAY_PARTITION);
}

// The selector byte and the values of the parameters are the controller's; the view is the port's.
void HostView(Call& call) {
    CAPI_GET_HOST_VIEW_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    const HostPortId port = PortOf(params.flexId, call.IncludeAt(kHostViewInitiatorNameAt, kIscsiNameLength));
    call.ReplyList(kIncludeHostView, 1, HostViewPayload(call.pair(), port));
}

void PartitionView(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, sizeof(Serial16));
    Partition* partition = serial != nullptr ? FindPartition(call.pair(), serial) : nullptr;
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    call.ReplyList(kIncludePartitionView, 1, PartitionViewPayload(*partition));
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_MAP_UNMAP_PARTITION, "U_MAP_UNMAP_PARTITION", kIncludeMapUnmap, sizeof(CAPI_MAP_UNMAP_PARAMS),
     true, Sequence::PairInParams23, MapUnmapPartition},
    {CAPI_COMMAND_U_GET_PARTITION_VIEW, "U_GET_PARTITION_VIEW", kIncludeObjectId, sizeof(Serial16), false,
     Sequence::PairInParams23, PartitionView},
    {CAPI_COMMAND_U_GET_HOST_VIEW, "U_GET_HOST_VIEW", kIncludeHostViewParams, sizeof(CAPI_GET_HOST_VIEW_PARAMS), false,
     Sequence::PairInParams23, HostView},
    // clang-format on
};

}  // namespace

CommandFamily MappingCommands() { return kRows; }

}  // namespace sim
