// Process-wide reply buffers: the reply callback copies each reply of these kinds here, and the handler
// that sent the command reads it right after its send. Each keeps the last reply of its kind.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_unified_controller.h"

constexpr uint32_t KNOWN_HOSTS_REPLY_SIZE = 12580;
constexpr uint32_t HOST_NICKNAMES_REPLY_SIZE = 26948;
constexpr uint32_t HOST_VIEW_REPLY_SIZE = 64528;
constexpr uint32_t FLEX_KNOWN_HOSTS_REPLY_SIZE = 63560;
constexpr uint32_t ROLLOFF_VOLUME_LIST_REPLY_SIZE = 262144;
constexpr uint32_t ROLLOFF_VOLUME_RECORD_SIZE = 128;
constexpr uint32_t SNAPSHOT_LIST_REPLY_SIZE = 90112;
constexpr uint32_t SNAPSHOT_STATISTICS_REPLY_SIZE = 131072;
constexpr uint32_t CREATE_SNAPSHOT_REPLY_SIZE = 264;
constexpr uint32_t BACKING_STORE_LIST_REPLY_SIZE = 10240;
constexpr uint32_t MASTER_VOLUME_LIST_REPLY_SIZE = 180224;
constexpr uint32_t DMS_TAG_REPLY_SIZE = 8;
constexpr uint32_t DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE = 8192;
constexpr uint32_t AUTH_DB_RECORD_REPLY_SIZE = 1020;

extern CAPI_UNIFIED_CONTROLLER g_UnifiedControllerBuffer;
extern CAPI_ADVANCED_DRIVE_ENCLOSURE g_AdvancedDriveEnclosureReply;
extern uint8_t g_KnownHostsReply[KNOWN_HOSTS_REPLY_SIZE];
extern uint8_t g_HostNickNamesReply[HOST_NICKNAMES_REPLY_SIZE];
extern uint8_t g_HostViewReply[HOST_VIEW_REPLY_SIZE];
extern uint8_t g_FlexKnownHostsReply[FLEX_KNOWN_HOSTS_REPLY_SIZE];
extern uint8_t g_RolloffVolumeListReply[ROLLOFF_VOLUME_LIST_REPLY_SIZE];
extern uint32_t g_RolloffVolumeCount;
extern uint8_t g_SnapshotListReply[SNAPSHOT_LIST_REPLY_SIZE];
extern uint8_t g_SnapshotStatisticsReply[SNAPSHOT_STATISTICS_REPLY_SIZE];
extern uint32_t g_SnapshotCount;
extern uint32_t g_SnapshotStatisticsCount;
extern uint8_t g_CreateSnapshotReply[CREATE_SNAPSHOT_REPLY_SIZE];
extern uint8_t g_BackingStoreListReply[BACKING_STORE_LIST_REPLY_SIZE];
extern uint32_t g_BackingStoreCount;
extern uint8_t g_MasterVolumeListReply[MASTER_VOLUME_LIST_REPLY_SIZE];
extern uint32_t g_MasterVolumeCount;
extern uint8_t g_DmsTagReply[DMS_TAG_REPLY_SIZE];
extern uint8_t g_DmsPolicyThresholdListReply[DMS_POLICY_THRESHOLD_LIST_REPLY_SIZE];
extern uint32_t g_DmsPolicyThresholdCount;
extern uint32_t g_ProgressPercent;
extern uint8_t g_AuthDbRecordReply[AUTH_DB_RECORD_REPLY_SIZE];
extern uint32_t g_AuthDbRecordCount;

// Copies the payload of a reply that fills one of the buffers above; 1 when the reply code is one of them.
// A list's count is cut to the records its buffer holds (logged when cut).
int StoreBufferReply(uint32_t replyCode, int32_t errorCode, uint32_t param1, const void* payload);
// Empties the buffer (data and count) that replies of this code fill: a handler clears it before it sends,
// so that a command that got no reply never answers with another command's data.
void ClearStoredReply(uint32_t replyCode);
// Empties every buffer and count above, as at start (for tests).
void ClearStoredReplies();
