#include "corlink/commands/reply_buffers.h"

#include <cstring>

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

// A reply copied whole into its buffer; its param1 goes to `count` when it has one.
struct BufferRow {
    uint32_t replyCode;
    void* buffer;
    uint32_t size;
    uint32_t* count;
};

const BufferRow kBufferRows[] = {
    {2115, &g_AdvancedDriveEnclosureReply, sizeof(g_AdvancedDriveEnclosureReply), nullptr},
    {386, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE, nullptr},
    {2163, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE, nullptr},
    {394, g_HostNickNamesReply, HOST_NICKNAMES_REPLY_SIZE, nullptr},
    {2164, g_HostNickNamesReply, HOST_NICKNAMES_REPLY_SIZE, nullptr},
    {2182, g_HostViewReply, HOST_VIEW_REPLY_SIZE, nullptr},
    {2281, g_FlexKnownHostsReply, FLEX_KNOWN_HOSTS_REPLY_SIZE, nullptr},
    {2201, g_SnapshotListReply, SNAPSHOT_LIST_REPLY_SIZE, &g_SnapshotCount},
    {2202, g_SnapshotStatisticsReply, SNAPSHOT_STATISTICS_REPLY_SIZE, &g_SnapshotCount},
    {2210, g_BackingStoreListReply, BACKING_STORE_LIST_REPLY_SIZE, &g_BackingStoreCount},
    {2220, g_MasterVolumeListReply, MASTER_VOLUME_LIST_REPLY_SIZE, &g_MasterVolumeCount},
    {2230, g_DmsTagReply, DMS_TAG_REPLY_SIZE, nullptr},
    {2233, g_DmsPolicyThresholdListReply, DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE, &g_DmsPolicyThresholdCount},
    {2294, g_AuthDbRecordReply, AUTH_DB_RECORD_REPLY_SIZE, nullptr},
    {2295, g_AuthDbRecordReply, AUTH_DB_RECORD_REPLY_SIZE, nullptr},
};

constexpr uint32_t kRolloffVolumeSlots = ROLLOFF_VOLUME_LIST_REPLY_SIZE / ROLLOFF_VOLUME_RECORD_SIZE;

void StoreRolloffVolumes(uint32_t count, const void* payload) {
    // The count is clamped to the buffer, so that a reader never walks past it.
    if (count > kRolloffVolumeSlots) count = kRolloffVolumeSlots;
    std::memset(g_RolloffVolumeListReply, 0, sizeof g_RolloffVolumeListReply);
    if (payload != nullptr) std::memcpy(g_RolloffVolumeListReply, payload, count * ROLLOFF_VOLUME_RECORD_SIZE);
    g_RolloffVolumeCount = count;
}

}  // namespace

int StoreBufferReply(uint32_t replyCode, int32_t errorCode, uint32_t param1, const void* payload) {
    for (const BufferRow& row : kBufferRows) {
        if (row.replyCode != replyCode) continue;
        if (payload != nullptr) std::memcpy(row.buffer, payload, row.size);
        if (row.count != nullptr) *row.count = param1;
        return 1;
    }
    switch (replyCode) {
        case 2209:
            StoreRolloffVolumes(param1, payload);
            return 1;
        case 2203:
            std::memset(g_CreateSnapshotReply, 0, sizeof(uint32_t));
            if (errorCode == 0 && payload != nullptr) std::memcpy(g_CreateSnapshotReply, payload, CREATE_SNAPSHOT_REPLY_SIZE);
            return 1;
        case 2289:
            g_AuthDbRecordCount = param1;
            return 1;
        default:
            return 0;
    }
}
