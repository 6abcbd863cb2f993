#include "corlink/database/reply_buffers.h"

#include <cstring>

#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/foundation/log.h"

CAPI_UNIFIED_CONTROLLER g_UnifiedControllerBuffer;
CAPI_ADVANCED_DRIVE_ENCLOSURE g_AdvancedDriveEnclosureReply;
uint8_t g_KnownHostsReply[KNOWN_HOSTS_REPLY_SIZE];
uint8_t g_HostNickNamesReply[HOST_NICKNAMES_REPLY_SIZE];
uint8_t g_HostViewReply[HOST_VIEW_REPLY_SIZE];
uint8_t g_FlexKnownHostsReply[FLEX_KNOWN_HOSTS_REPLY_SIZE];
uint8_t g_RolloffVolumeListReply[ROLLOFF_VOLUME_LIST_REPLY_SIZE];
uint32_t g_RolloffVolumeCount = 0;
uint8_t g_SnapshotListReply[SNAPSHOT_LIST_REPLY_SIZE];
uint8_t g_SnapshotStatisticsReply[SNAPSHOT_STATISTICS_REPLY_SIZE];
uint32_t g_SnapshotCount = 0;
uint32_t g_SnapshotStatisticsCount = 0;
uint8_t g_CreateSnapshotReply[CREATE_SNAPSHOT_REPLY_SIZE];
uint8_t g_BackingStoreListReply[BACKING_STORE_LIST_REPLY_SIZE];
uint32_t g_BackingStoreCount = 0;
uint8_t g_MasterVolumeListReply[MASTER_VOLUME_LIST_REPLY_SIZE];
uint32_t g_MasterVolumeCount = 0;
uint8_t g_DmsTagReply[DMS_TAG_REPLY_SIZE];
uint8_t g_DmsPolicyThresholdListReply[DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE];
uint32_t g_DmsPolicyThresholdCount = 0;
uint32_t g_ProgressPercent = 0;
uint8_t g_AuthDbRecordReply[AUTH_DB_RECORD_REPLY_SIZE];
uint32_t g_AuthDbRecordCount = 0;

namespace {

// A reply copied into its buffer. A list reply's param1 goes to `count`, cut to the records the buffer
// holds; a reply whose records are copied by count zeroes the rest of its buffer.
struct BufferRow {
    uint32_t replyCode;
    void* buffer;
    uint32_t size;
    uint32_t* count = nullptr;
    uint32_t recordSize = 0;
    bool copiesCountedRecords = false;
};

const BufferRow kBufferRows[] = {
    // clang-format off
    {CAPI_REPLY_U_GET_DRIVE_ENCLOSURE, &g_AdvancedDriveEnclosureReply, sizeof(g_AdvancedDriveEnclosureReply)},
    {CAPI_REPLY_GET_KNOWN_HOSTS, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE},
    {CAPI_REPLY_U_GET_KNOWN_HOSTS, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE},
    {CAPI_REPLY_GET_HOST_NICKNAMES, g_HostNickNamesReply, HOST_NICKNAMES_REPLY_SIZE},
    {CAPI_REPLY_U_GET_HOST_NICKNAMES, g_HostNickNamesReply, HOST_NICKNAMES_REPLY_SIZE},
    {CAPI_REPLY_U_GET_HOST_VIEW, g_HostViewReply, HOST_VIEW_REPLY_SIZE},
    {CAPI_REPLY_U_GET_FLEX_HOST_LIST, g_FlexKnownHostsReply, FLEX_KNOWN_HOSTS_REPLY_SIZE},
    {CAPI_REPLY_U_GET_SNAPSHOT_LIST, g_SnapshotListReply, SNAPSHOT_LIST_REPLY_SIZE, &g_SnapshotCount, sizeof(CAPI_SNAPSHOT)},
    {CAPI_REPLY_U_GET_SNAPSHOT_STATS, g_SnapshotStatisticsReply, SNAPSHOT_STATISTICS_REPLY_SIZE, &g_SnapshotStatisticsCount,
     sizeof(CAPI_SNAPSHOT_STATS)},
    {CAPI_REPLY_U_GET_ROLLOFF_VOLUME_LIST, g_RolloffVolumeListReply, ROLLOFF_VOLUME_LIST_REPLY_SIZE, &g_RolloffVolumeCount, ROLLOFF_VOLUME_RECORD_SIZE,
     true},
    {CAPI_REPLY_U_GET_BACKING_STORE_LIST, g_BackingStoreListReply, BACKING_STORE_LIST_REPLY_SIZE, &g_BackingStoreCount, sizeof(CAPI_BACKING_STORE)},
    {CAPI_REPLY_U_GET_MASTER_VOLUME_LIST, g_MasterVolumeListReply, MASTER_VOLUME_LIST_REPLY_SIZE, &g_MasterVolumeCount, sizeof(CAPI_MASTER_VOLUME)},
    {CAPI_REPLY_U_DMS_GET_TAG, g_DmsTagReply, DMS_TAG_REPLY_SIZE},
    {CAPI_REPLY_U_DMS_GET_POLICY_THRESHOLD_LIST, g_DmsPolicyThresholdListReply, DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE, &g_DmsPolicyThresholdCount,
     sizeof(CAPI_DMS_POLICY)},
    {CAPI_REPLY_U_AUTHDB_GET_RECORD, g_AuthDbRecordReply, AUTH_DB_RECORD_REPLY_SIZE},
    {CAPI_REPLY_U_COMMAND_1295, g_AuthDbRecordReply, AUTH_DB_RECORD_REPLY_SIZE},
    // clang-format on
};

// The controller's count, cut to the records the buffer holds, so that no reader walks past it.
uint32_t StoredCount(const BufferRow& row, uint32_t claimed) {
    const uint32_t capacity = row.size / row.recordSize;
    if (claimed <= capacity) return claimed;
    DebugPrint("reply %u claims %u records; %u stored\n", row.replyCode, claimed, capacity);
    return capacity;
}

void Store(const BufferRow& row, uint32_t param1, const void* payload) {
    const uint32_t count = row.count != nullptr ? StoredCount(row, param1) : 0;
    if (row.copiesCountedRecords) {
        std::memset(row.buffer, 0, row.size);
        if (payload != nullptr) std::memcpy(row.buffer, payload, static_cast<size_t>(count) * row.recordSize);
    } else if (payload != nullptr) {
        std::memcpy(row.buffer, payload, row.size);
    }
    if (row.count != nullptr) *row.count = count;
}

}  // namespace

int StoreBufferReply(uint32_t replyCode, int32_t errorCode, uint32_t param1, const void* payload) {
    for (const BufferRow& row : kBufferRows) {
        if (row.replyCode != replyCode) continue;
        Store(row, param1, payload);
        return 1;
    }
    switch (replyCode) {
        case CAPI_REPLY_U_CREATE_SNAPSHOTS:
            std::memset(g_CreateSnapshotReply, 0, sizeof(uint32_t));
            if (errorCode == 0 && payload != nullptr)
                std::memcpy(g_CreateSnapshotReply, payload, CREATE_SNAPSHOT_REPLY_SIZE);
            return 1;
        case CAPI_REPLY_U_AUTHDB_GET_RECORD_COUNT: g_AuthDbRecordCount = param1; return 1;
        default: return 0;
    }
}

void ClearStoredReply(uint32_t replyCode) {
    for (const BufferRow& row : kBufferRows) {
        if (row.replyCode != replyCode) continue;
        std::memset(row.buffer, 0, row.size);
        if (row.count != nullptr) *row.count = 0;
    }
    if (replyCode == CAPI_REPLY_U_CREATE_SNAPSHOTS)
        std::memset(g_CreateSnapshotReply, 0, sizeof g_CreateSnapshotReply);
    if (replyCode == CAPI_REPLY_U_AUTHDB_GET_RECORD_COUNT) g_AuthDbRecordCount = 0;
}

void ClearStoredReplies() {
    for (const BufferRow& row : kBufferRows) ClearStoredReply(row.replyCode);
    ClearStoredReply(CAPI_REPLY_U_CREATE_SNAPSHOTS);
    std::memset(&g_UnifiedControllerBuffer, 0, sizeof g_UnifiedControllerBuffer);
    g_ProgressPercent = 0;
    g_AuthDbRecordCount = 0;
}
