// The structure converters: PackCapi<Structure>(mode, structure) converts one CAPI structure in place
// by its description (nothing in the CAPI modes). Three take the channel bus type that selects their
// channel information unions.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/capi_wire/converter.h"

// X(converter, structure)
// clang-format off
#define CAPI_STRUCTURE_CONVERTERS(X) \
    X(PackCapiAddress,                     CAPI_ADDRESS) \
    X(PackCapiAdvancedDriveEnclosure,      CAPI_ADVANCED_DRIVE_ENCLOSURE) \
    X(PackCapiAdvancedEnvironmentals,      CAPI_ADVANCED_ENVIRONMENTALS) \
    X(PackCapiAdvancedNetworkInterface,    CAPI_ADVANCED_NETWORK_INTERFACE) \
    X(PackCapiAdvancedUnitMapping,         CAPI_ADVANCED_UNIT_MAPPING) \
    X(PackCapiArray,                       CAPI_ARRAY) \
    X(PackCapiArrayNameParams,             CAPI_ARRAY_NAME_PARAMS) \
    X(PackCapiArrayPartition,              CAPI_ARRAY_PARTITION) \
    X(PackCapiArrayPartitionParams,        CAPI_ARRAY_PARTITION_PARAMS) \
    X(PackCapiArrayStats,                  CAPI_ARRAY_STATS) \
    X(PackCapiArrayStatsEntry,             CAPI_ARRAY_STATS_ENTRY) \
    X(PackCapiAuthDbRecord,                CAPI_AUTHDB_RECORD) \
    X(PackCapiBackingStore,                CAPI_BACKING_STORE) \
    X(PackCapiBackingStoreList,            CAPI_BACKING_STORE_LIST) \
    X(PackCapiCacheParams,                 CAPI_CACHE_PARAMS) \
    X(PackCapiChannel,                     CAPI_CHANNEL) \
    X(PackCapiChannelParams,               CAPI_CHANNEL_PARAMS) \
    X(PackCapiChannelParamsUnion,          CAPI_CHANNEL_PARAMS_UNION) \
    X(PackCapiChannelType7Info,            CAPI_CHANNEL_TYPE7_INFO) \
    X(PackCapiController,                  CAPI_CONTROLLER) \
    X(PackCapiControllerEnvironmentals,    CAPI_CONTROLLER_ENVIRONMENTALS) \
    X(PackCapiControllerExtraA,            CAPI_CONTROLLER_EXTRA_A) \
    X(PackCapiControllerExtraB,            CAPI_CONTROLLER_EXTRA_B) \
    X(PackCapiControllerExtraC,            CAPI_CONTROLLER_EXTRA_C) \
    X(PackCapiControllerParams,            CAPI_CONTROLLER_PARAMS) \
    X(PackCapiControllerRaidParams,        CAPI_CONTROLLER_RAID_PARAMS) \
    X(PackCapiCreateArrayParams,           CAPI_CREATE_ARRAY_PARAMS) \
    X(PackCapiCreateArrayReply,            CAPI_CREATE_ARRAY_REPLY) \
    X(PackCapiCreateSnapshotsParams,       CAPI_CREATE_SNAPSHOTS_PARAMS) \
    X(PackCapiDmsPolicy,                   CAPI_DMS_POLICY) \
    X(PackCapiDmsPolicyList,               CAPI_DMS_POLICY_LIST) \
    X(PackCapiDmsTag,                      CAPI_DMS_TAG) \
    X(PackCapiDrive,                       CAPI_DRIVE) \
    X(PackCapiDriveEnclosure,              CAPI_DRIVE_ENCLOSURE) \
    X(PackCapiDriveEnclosureParams,        CAPI_DRIVE_ENCLOSURE_PARAMS) \
    X(PackCapiDriveEnclosuresStruct,       CAPI_DRIVE_ENCLOSURES_STRUCT) \
    X(PackCapiDriveErrorCounters,          CAPI_DRIVE_ERROR_COUNTERS) \
    X(PackCapiDriveErrorStats,             CAPI_DRIVE_ERROR_STATS) \
    X(PackCapiDriveLocation,               CAPI_DRIVE_LOCATION) \
    X(PackCapiEnclAudibleAlarm,            CAPI_ENCL_AUDIBLE_ALARM) \
    X(PackCapiEnclCooling,                 CAPI_ENCL_COOLING) \
    X(PackCapiEnclCurrentSensor,           CAPI_ENCL_CURRENT_SENSOR) \
    X(PackCapiEnclDrive,                   CAPI_ENCL_DRIVE) \
    X(PackCapiEnclPort,                    CAPI_ENCL_PORT) \
    X(PackCapiEnclPortBypass,              CAPI_ENCL_PORT_BYPASS) \
    X(PackCapiEnclPowerSupply,             CAPI_ENCL_POWER_SUPPLY) \
    X(PackCapiEnclSpecificInfoUnion,       CAPI_ENCL_SPECIFIC_INFO_UNION) \
    X(PackCapiEnclTempSensor,              CAPI_ENCL_TEMP_SENSOR) \
    X(PackCapiEnclUps,                     CAPI_ENCL_UPS) \
    X(PackCapiEnclVoltageSensor,           CAPI_ENCL_VOLTAGE_SENSOR) \
    X(PackCapiEnvironProcessor,            CAPI_ENVIRON_PROCESSOR) \
    X(PackCapiEnvironWriteParams,          CAPI_ENVIRON_WRITE_PARAMS) \
    X(PackCapiEventList,                   CAPI_EVENT_LIST) \
    X(PackCapiEventRecord,                 CAPI_EVENT_RECORD) \
    X(PackCapiFailover,                    CAPI_FAILOVER) \
    X(PackCapiFcInfo,                      CAPI_FC_INFO) \
    X(PackCapiFcLoopPosition,              CAPI_FC_LOOP_POSITION) \
    X(PackCapiFcParams,                    CAPI_FC_PARAMS) \
    X(PackCapiFlexHost,                    CAPI_FLEX_HOST) \
    X(PackCapiFlexHostList,                CAPI_FLEX_HOST_LIST) \
    X(PackCapiFlexId,                      CAPI_FLEX_ID) \
    X(PackCapiFruidFieldDescriptor,        CAPI_FRUID_FIELD_DESCRIPTOR) \
    X(PackCapiFruidInfo,                   CAPI_FRUID_INFO) \
    X(PackCapiGetHostViewParams,           CAPI_GET_HOST_VIEW_PARAMS) \
    X(PackCapiHostNickname,                CAPI_HOST_NICKNAME) \
    X(PackCapiHostNicknameList,            CAPI_HOST_NICKNAME_LIST) \
    X(PackCapiHostParams,                  CAPI_HOST_PARAMS) \
    X(PackCapiHostTable,                   CAPI_HOST_TABLE) \
    X(PackCapiHostViewTable,               CAPI_HOST_VIEW_TABLE) \
    X(PackCapiIscsiInfo,                   CAPI_iSCSI_INFO) \
    X(PackCapiIscsiParams,                 CAPI_iSCSI_PARAMS) \
    X(PackCapiKnownHost,                   CAPI_KNOWN_HOST) \
    X(PackCapiKnownHostList,               CAPI_KNOWN_HOST_LIST) \
    X(PackCapiLoginParams,                 CAPI_LOGIN_PARAMS) \
    X(PackCapiMapUnmapParams,              CAPI_MAP_UNMAP_PARAMS) \
    X(PackCapiMasterVolume,                CAPI_MASTER_VOLUME) \
    X(PackCapiMasterVolumeList,            CAPI_MASTER_VOLUME_LIST) \
    X(PackCapiMemberDrive,                 CAPI_MEMBER_DRIVE) \
    X(PackCapiMemory,                      CAPI_MEMORY) \
    X(PackCapiMinMaxDrivesPerRaidLevel,    CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL) \
    X(PackCapiNetworkInterface,            CAPI_NETWORK_INTERFACE) \
    X(PackCapiNotificationStruct,          CAPI_NOTIFICATION_STRUCT) \
    X(PackCapiObjectId,                    CAPI_OBJECT_ID) \
    X(PackCapiPartitionMap,                CAPI_PARTITION_MAP) \
    X(PackCapiPartitionSnAndMap,           CAPI_PARTITION_SN_AND_MAP) \
    X(PackCapiPartitionViewTable,          CAPI_PARTITION_VIEW_TABLE) \
    X(PackCapiRaid,                        CAPI_RAID) \
    X(PackCapiRollbackParams,              CAPI_ROLLBACK_PARAMS) \
    X(PackCapiRolloffParams,               CAPI_ROLLOFF_PARAMS) \
    X(PackCapiRolloffVolume,               CAPI_ROLLOFF_VOLUME) \
    X(PackCapiSasInfo,                     CAPI_SAS_INFO) \
    X(PackCapiScsiMaintEntry,              CAPI_SCSI_MAINT_ENTRY) \
    X(PackCapiScsiMaintParams,             CAPI_SCSI_MAINT_PARAMS) \
    X(PackCapiSerialNumber,                CAPI_SERIAL_NUMBER) \
    X(PackCapiSnapshot,                    CAPI_SNAPSHOT) \
    X(PackCapiSnapshotCreateEntry,         CAPI_SNAPSHOT_CREATE_ENTRY) \
    X(PackCapiSnapshotIdList,              CAPI_SNAPSHOT_ID_LIST) \
    X(PackCapiSnapshotIdParams,            CAPI_SNAPSHOT_ID_PARAMS) \
    X(PackCapiSnapshotList,                CAPI_SNAPSHOT_LIST) \
    X(PackCapiSnapshotStats,               CAPI_SNAPSHOT_STATS) \
    X(PackCapiSnapshotStatsList,           CAPI_SNAPSHOT_STATS_LIST) \
    X(PackCapiU64,                         CAPI_U64) \
    X(PackCapiUnifiedCacheParams,          CAPI_UNIFIED_CACHE_PARAMS) \
    X(PackCapiUnifiedChannelParams,        CAPI_UNIFIED_CHANNEL_PARAMS) \
    X(PackCapiUnifiedChannelParamsBlock,   CAPI_UNIFIED_CHANNEL_PARAMS_BLOCK) \
    X(PackCapiUnifiedChannelSummary,       CAPI_UNIFIED_CHANNEL_SUMMARY) \
    X(PackCapiUnifiedCommonData,           CAPI_UNIFIED_COMMON_DATA) \
    X(PackCapiUnifiedCommonHead,           CAPI_UNIFIED_COMMON_HEAD) \
    X(PackCapiUnifiedCommonParams,         CAPI_UNIFIED_COMMON_PARAMS) \
    X(PackCapiUnifiedController,           CAPI_UNIFIED_CONTROLLER) \
    X(PackCapiUnifiedControllerHead,       CAPI_UNIFIED_CONTROLLER_HEAD) \
    X(PackCapiUnifiedControllerParams,     CAPI_UNIFIED_CONTROLLER_PARAMS) \
    X(PackCapiUnifiedControllerParamsHead, CAPI_UNIFIED_CONTROLLER_PARAMS_HEAD) \
    X(PackCapiUnifiedCreateArrayParams,    CAPI_UNIFIED_CREATE_ARRAY_PARAMS) \
    X(PackCapiUnifiedDrive,                CAPI_UNIFIED_DRIVE) \
    X(PackCapiUnifiedDriveId,              CAPI_UNIFIED_DRIVE_ID) \
    X(PackCapiUnifiedKnownHostList,        CAPI_UNIFIED_KNOWN_HOST_LIST) \
    X(PackCapiUnifiedNetworkParams,        CAPI_UNIFIED_NETWORK_PARAMS) \
    X(PackCapiUnifiedParams,               CAPI_UNIFIED_PARAMS) \
    X(PackCapiUnifiedPartition,            CAPI_UNIFIED_PARTITION)

// X(converter, structure): converters that take the bus type
#define CAPI_BUS_TYPE_CONVERTERS(X) \
    X(PackCapiChannelInfoUnion,            CAPI_CHANNEL_INFO_UNION) \
    X(PackCapiUnifiedChannel,              CAPI_UNIFIED_CHANNEL) \
    X(PackCapiUnifiedControllerData,       CAPI_UNIFIED_CONTROLLER_DATA)
// clang-format on

#define CAPI_DECLARE_CONVERTER(converter, structure) void converter(int32_t mode, structure* data);
CAPI_STRUCTURE_CONVERTERS(CAPI_DECLARE_CONVERTER)
#undef CAPI_DECLARE_CONVERTER
#define CAPI_DECLARE_BUS_TYPE_CONVERTER(converter, structure) \
    void converter(int32_t mode, structure* data, uint8_t busType);
CAPI_BUS_TYPE_CONVERTERS(CAPI_DECLARE_BUS_TYPE_CONVERTER)
#undef CAPI_DECLARE_BUS_TYPE_CONVERTER

// Second converters of the snapshot and its list, with the same effect (the proxy's snapshot-list
// reply uses them).
void PackCapiSnapshot2(int32_t mode, CAPI_SNAPSHOT* data);
void PackCapiSnapshotList2(int32_t mode, CAPI_SNAPSHOT_LIST* data);

// Reply payloads of byte data that never convert (maintenance data and loop-back test data).
void PackCapiScsiMaintData(int32_t mode, void* data);
void PackCapiDebugLoopBackData(int32_t mode, void* data);

// The 80-byte packet header: everything but bytes 0-11 and the two 16-bit part fields.
void PackCapiPacketHeader(int32_t mode, CAPI_PACKET_HEADER* header);

namespace capi {

// A structure converter by the name of its structure, for callers that hold untyped bytes.
struct StructureConverter {
    const char* structure;
    const StructDesc* desc;
    void (*convert)(int32_t mode, void* data, uint8_t busType);  // busType ignored by most
};

const StructureConverter* AllStructureConverters(size_t* count);
const StructureConverter* FindStructureConverter(const char* structure);

}  // namespace capi
