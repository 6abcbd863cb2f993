// The list commands of the point-in-time copy services: each copies the count and the records that the
// reply callback stored for its reply into fixed fields of the reply, whatever the controller answered.
#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/handlers/snapshot_commands.h"
#include "corlink/proxy_wire/buffers_snapshots.h"

namespace {

using rre_wire::BufferAs;

using ListSend = int32_t (*)(CAPI_HANDLE handle, const uint8_t* id, uint8_t p1, uint8_t ab);

struct StoredList {
    uint32_t replyCode;  // the reply whose store the list comes from
    const uint8_t* records;
    uint32_t size;
    const uint32_t* count;
    uint32_t countAt;  // where the reply carries the count and the records
    uint32_t recordsAt;
};

// The store of a list whose reply buffer is Buffer: its count and list fields take the stored data whole.
template <class Buffer>
constexpr StoredList Stored(uint32_t replyCode, const uint8_t* records, uint32_t size,
                            const uint32_t* count) {
    static_assert(sizeof(Buffer) - offsetof(Buffer, list) >= sizeof(Buffer::list));
    return {replyCode, records, size, count, offsetof(Buffer, count), offsetof(Buffer, list)};
}

constexpr StoredList kBackingStores =
    Stored<RRE_BACKING_STORE_LIST_BUFFER>(CAPI_REPLY_U_GET_BACKING_STORE_LIST, g_BackingStoreListReply,
                                          BACKING_STORE_LIST_REPLY_SIZE, &g_BackingStoreCount);
constexpr StoredList kMasterVolumes =
    Stored<RRE_MASTER_VOLUME_LIST_BUFFER>(CAPI_REPLY_U_GET_MASTER_VOLUME_LIST, g_MasterVolumeListReply,
                                          MASTER_VOLUME_LIST_REPLY_SIZE, &g_MasterVolumeCount);
constexpr StoredList kSnapshots = Stored<RRE_SNAPSHOT_LIST_BUFFER>(
    CAPI_REPLY_U_GET_SNAPSHOT_LIST, g_SnapshotListReply, SNAPSHOT_LIST_REPLY_SIZE, &g_SnapshotCount);
constexpr StoredList kSnapshotStatistics =
    Stored<RRE_SNAPSHOT_STATISTICS_BUFFER>(CAPI_REPLY_U_GET_SNAPSHOT_STATS, g_SnapshotStatisticsReply,
                                           SNAPSHOT_STATISTICS_REPLY_SIZE, &g_SnapshotStatisticsCount);
constexpr StoredList kPolicies =
    Stored<RRE_POLICY_LIST_BUFFER>(CAPI_REPLY_U_DMS_GET_POLICY_THRESHOLD_LIST, g_DmsPolicyThresholdListReply,
                                   DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE, &g_DmsPolicyThresholdCount);

void CopyStoredList(CommandContext& c, const StoredList& list) {
    std::memcpy(c.buffer + list.countAt, list.count, sizeof(uint32_t));
    std::memcpy(c.buffer + list.recordsAt, list.records, list.size);
}

// A list of an object (or, for 32 zero bytes, of the whole controller); the four lists share their request
// fields.
template <const StoredList& list, ListSend send>
int32_t RunObjectList(CommandContext& c) {
    ClearStoredReply(list.replyCode);
    const auto* request = BufferAs<RRE_SNAPSHOT_LIST_BUFFER>(c.buffer);
    const int32_t code =
        send(ControllerHandleOf(c.index), request->objectId, request->listParameter, request->selector);
    CopyStoredList(c, list);
    return code;
}

int32_t RunGetBackingStoreList(CommandContext& c) {
    ClearStoredReply(kBackingStores.replyCode);
    const int32_t code = CAPI_U_GetBackingStoreList(
        ControllerHandleOf(c.index), BufferAs<RRE_BACKING_STORE_LIST_BUFFER>(c.buffer)->selector);
    CopyStoredList(c, kBackingStores);
    return code;
}

constexpr FramedCommand ListCommand(int32_t (*run)(CommandContext&)) {
    return FramedCommand{Lookup::ClientId, FirstRead::Refresh, false, nullptr, run, true, nullptr};
}

}  // namespace

const FramedCommand kGetBackingStoreList = ListCommand(RunGetBackingStoreList);
const FramedCommand kGetMasterVolumeList =
    ListCommand(RunObjectList<kMasterVolumes, CAPI_U_GetMasterVolumeList>);
const FramedCommand kGetSnapshotList = ListCommand(RunObjectList<kSnapshots, CAPI_U_GetSnapshotList>);
const FramedCommand kGetSnapshotStatistics =
    ListCommand(RunObjectList<kSnapshotStatistics, CAPI_U_GetSnapshotStats>);
const FramedCommand kDmsGetPolicyThresholdList =
    ListCommand(RunObjectList<kPolicies, CAPI_U_DmsGetPolicyThresholdList>);
