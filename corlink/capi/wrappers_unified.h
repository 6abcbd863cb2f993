// The unified command set's wrappers (command codes from 1001). They follow the classic frame
// (wrappers_classic.h) but name their objects inside the include record, by 32-byte identifiers, 8-byte
// drive identifiers or flex ids: the address selectors stay -1 except the channel of UnpauseBus and
// RescanBus. ab is the controller's A/B byte from its database entry, sent in param4.
// The chunked transfers (firmware and buffer writes) are in chunked_transfer.h.
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"
#include "corlink/capi/wrapper_shapes.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_structures.h"

// Rows X(wrapper, command code, shape); the shapes are in wrapper_shapes.h. Id shapes take a 32-byte
// identifier (IdOrNull: null asks for the whole controller), DriveId an 8-byte drive identifier.
#define CAPI_UNIFIED_WRAPPERS(X)                                                                             \
    X(CAPI_U_GetControllerData, CAPI_COMMAND_U_GET_CONTROLLER_DATA, Controller)                              \
    X(CAPI_U_GetArrayList, CAPI_COMMAND_U_GET_ARRAY_LIST, Ab)                                                \
    X(CAPI_U_GetDriveList, CAPI_COMMAND_U_GET_DRIVE_LIST, Ab)                                                \
    X(CAPI_U_GetConfigSequenceNumber, CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER, Controller)                      \
    X(CAPI_U_GetControllerStats, 1005, Ab)                                                                   \
    X(CAPI_U_Command1006, 1006, AbP1)                                                                        \
    X(CAPI_U_Command1007, 1007, Name)                                                                        \
    X(CAPI_U_LookupName, 1008, PartitionId)                                                                  \
    X(CAPI_U_SetControllerTimeDate, CAPI_COMMAND_U_SET_CONTROLLER_TIMEDATE, P1)                              \
    X(CAPI_U_SetBatteryMonitor, CAPI_COMMAND_U_SET_BATTERY_MONITOR, P1P2BytesAb)                             \
    X(CAPI_U_GetFirstEvent, CAPI_COMMAND_U_GET_FIRST_EVENT, Ab)                                              \
    X(CAPI_U_GetLastEvent, CAPI_COMMAND_U_GET_LAST_EVENT, Ab)                                                \
    X(CAPI_U_GetEvent, CAPI_COMMAND_U_GET_EVENT, P1Ab) /* p1: the event number */                            \
    X(CAPI_U_ClearEventLog, CAPI_COMMAND_U_CLEAR_EVENT_LOG, Ab)                                              \
    X(CAPI_U_GetMultipleEvents, CAPI_COMMAND_U_GET_MULTIPLE_EVENTS,                                          \
      P1P2Ab) /* p1, p2: the first and second event */                                                       \
    X(CAPI_U_ShutDownController, CAPI_COMMAND_U_SHUTDOWN_CONTROLLER, P1P2Bytes)                              \
    X(CAPI_U_RebootController, CAPI_COMMAND_U_REBOOT_CONTROLLER, P1Byte)                                     \
    X(CAPI_U_ResetLan, CAPI_COMMAND_U_RESET_LAN, Ab)                                                         \
    X(CAPI_U_PauseBus, CAPI_COMMAND_U_PAUSE_BUS, P1) /* p1: the channel, not in the address */               \
    X(CAPI_U_UnpauseBus, CAPI_COMMAND_U_UNPAUSE_BUS, Channel)                                                \
    X(CAPI_U_RescanBus, CAPI_COMMAND_U_RESCAN, Channel)                                                      \
    X(CAPI_U_PutOffline, CAPI_COMMAND_U_PUT_OFFLINE, P1P2P3Bytes)                                            \
    X(CAPI_U_PutOnline, CAPI_COMMAND_U_PUT_ONLINE, P1P2P3Bytes)                                              \
    X(CAPI_U_ForceOffline, CAPI_COMMAND_U_FORCE_OFFLINE, P1P2P3Bytes)                                        \
    X(CAPI_U_ForceOnline, CAPI_COMMAND_U_FORCE_ONLINE, P1P2P3Bytes)                                          \
    X(CAPI_U_SilenceAlarm, CAPI_COMMAND_U_SILENCE_ALARM, Controller)                                         \
    X(CAPI_U_RestoreControllerDefaults, CAPI_COMMAND_U_RESTORE_CONTROLLER_DEFAULTS, Ab)                      \
    X(CAPI_U_KillController, 1045, Ab)                                                                       \
    X(CAPI_U_UnkillOther, 1046, Controller)                                                                  \
    X(CAPI_U_DeleteArray, CAPI_COMMAND_U_DELETE_ARRAY, Id)                                                   \
    X(CAPI_U_ChangeArrayName, CAPI_COMMAND_U_CHANGE_ARRAY_NAME, ArrayName)                                   \
    X(CAPI_U_SetPreferredOwner, CAPI_COMMAND_U_SET_PREFERRED_OWNER, Id)                                      \
    X(CAPI_U_TrustArray, CAPI_COMMAND_U_TRUST_ARRAY, Id)                                                     \
    X(CAPI_U_VerifyArray, CAPI_COMMAND_U_VERIFY_ARRAY, Id)                                                   \
    X(CAPI_U_ResetArrayStats, CAPI_COMMAND_U_RESET_ARRAY_STATS, Id)                                          \
    X(CAPI_U_DeleteSpare, CAPI_COMMAND_U_DELETE_SPARE, DriveId)                                              \
    X(CAPI_U_AbortUtility, CAPI_COMMAND_U_ABORT_UTILITY, Id)                                                 \
    X(CAPI_U_ChangeUtilityPriority, CAPI_COMMAND_U_CHANGE_UTILITY_PRIORITY, IdP1Byte) /* p1: the priority */ \
    X(CAPI_U_GetPercentComplete, CAPI_COMMAND_U_GET_PERCENT_COMPLETE, Id)                                    \
    X(CAPI_U_DequarantineArray, 1063, Id)                                                                    \
    X(CAPI_U_GetArrayStats, CAPI_COMMAND_U_GET_ARRAY_STATS, IdAb)                                            \
    X(CAPI_U_ScrubArray, 1065, Id)                                                                           \
    X(CAPI_U_GetVirtualDiskStats, 1066, IdAb)                                                                \
    X(CAPI_U_ChangeArrayPartitionLun, CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_LUN, PartitionLun)               \
    X(CAPI_U_ChangeArrayPartitionLunEx, CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_LUN, PartitionLun)             \
    X(CAPI_U_ChangeArrayPartitionName, CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_NAME, PartitionName)            \
    X(CAPI_U_ChangeArrayPartitionGeometry, CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_GEOMETRY,                   \
      PartitionGeometry)                                                                                     \
    X(CAPI_U_GetArrayPartitions, CAPI_COMMAND_U_GET_ARRAY_PARTITIONS, Id)                                    \
    X(CAPI_U_DeleteArrayPartition, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, Id)                                \
    X(CAPI_U_ResetArrayPartitionStats, CAPI_COMMAND_U_RESET_ARRAY_PARTITION_STATS, Id)                       \
    X(CAPI_U_GetFreeArrayPartitions, CAPI_COMMAND_U_GET_FREE_ARRAY_PARTITIONS, Id)                           \
    X(CAPI_U_SetArrayPartitionCacheParams, CAPI_COMMAND_U_SET_ARRAY_PARTITION_CACHE_PARAMS, CacheParams)     \
    X(CAPI_U_SetLunMapping, CAPI_COMMAND_U_SET_LUN_MAPPING, IdP1) /* p1: the LUN */                          \
    X(CAPI_U_GetArrayPartitionStats, CAPI_COMMAND_U_GET_ARRAY_PARTITION_STATS, Id)                           \
    X(CAPI_U_GetPartitionData, 1081, Id)                                                                     \
    X(CAPI_U_GetPartitionStats, 1082, Id)                                                                    \
    X(CAPI_U_BlinkDrive, CAPI_COMMAND_U_BLINK_DRIVE, DriveId)                                                \
    X(CAPI_U_UnblinkDrive, CAPI_COMMAND_U_UNBLINK_DRIVE, DriveId)                                            \
    X(CAPI_U_TestDrive, CAPI_COMMAND_U_TEST_DRIVE, DriveId)                                                  \
    X(CAPI_U_AddPoolSpare, CAPI_COMMAND_U_ADD_POOL_SPARE, DriveId)                                           \
    X(CAPI_U_DownDrive, CAPI_COMMAND_U_DOWN_DRIVE, DriveId)                                                  \
    X(CAPI_U_GetScsiMaintenanceData, CAPI_COMMAND_U_GET_SCSI_MAINT_DATA, P1)                                 \
    X(CAPI_U_GetDriveErrorStats, CAPI_COMMAND_U_GET_DRIVE_ERROR_STATS, DriveId)                              \
    X(CAPI_U_ResetDriveErrorStats, CAPI_COMMAND_U_RESET_DRIVE_ERROR_STATS, DriveId)                          \
    X(CAPI_U_TestSpares, CAPI_COMMAND_U_TEST_SPARES, P1Byte)                                                 \
    X(CAPI_U_FindNextEnvironProcessor, CAPI_COMMAND_U_FIND_NEXT_ENVIRON_PROCESSOR, P1)                       \
    X(CAPI_U_EnvironRead, CAPI_COMMAND_U_READ_ENVIRON, IdP2)                                                 \
    X(CAPI_U_GetDriveEnclosures, CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES, Controller)                            \
    X(CAPI_U_SetDriveEnclosureParams, CAPI_COMMAND_U_SET_DRIVE_ENCLOSURE_PARAMS, EnclosureParams)            \
    X(CAPI_U_GetDriveEnclosure, CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, Id)                                      \
    X(CAPI_U_GetFruData, CAPI_COMMAND_U_GET_FRU_DATA, IdP1Byte)                                              \
    X(CAPI_U_ForceCriticalError, CAPI_COMMAND_U_FORCE_CRITICAL_ERROR, P1P2Ab)                                \
    X(CAPI_U_GetDebugData, CAPI_COMMAND_U_GET_DEBUG_DATA, P1ByteP2Ab)                                        \
    X(CAPI_U_FlushCache, CAPI_COMMAND_U_FLUSH_CACHE, Id)                                                     \
    X(CAPI_U_FreeCache, CAPI_COMMAND_U_FREE_CACHE, Id)                                                       \
    X(CAPI_U_SetCacheParams, CAPI_COMMAND_U_SET_CACHE_PARAMS, CacheParams)                                   \
    X(CAPI_U_GetHostTable, CAPI_COMMAND_U_GET_HOST_TABLE, HostId)                                            \
    X(CAPI_U_AddHost, CAPI_COMMAND_U_ADD_HOST, HostIdFlexId)                                                 \
    X(CAPI_U_RemoveHost, CAPI_COMMAND_U_REMOVE_HOST, HostIdFlexId)                                           \
    X(CAPI_U_ChangeHostwardenType, CAPI_COMMAND_U_CHANGE_HOSTWARDEN_TYPE, HostIdP2P3Bytes)                   \
    X(CAPI_U_GetKnownHosts, CAPI_COMMAND_U_GET_KNOWN_HOSTS, Ab)                                              \
    X(CAPI_U_GetHostNicknames, CAPI_COMMAND_U_GET_HOST_NICKNAMES, Controller)                                \
    X(CAPI_U_AddHostNickname, CAPI_COMMAND_U_ADD_HOST_NICKNAME, HostNickname)                                \
    X(CAPI_U_GetHostLunMapList, 1166, HostLunMap)                                                            \
    X(CAPI_U_Command1172, 1172, Controller)                                                                  \
    X(CAPI_U_Command1173, 1173, Controller)                                                                  \
    X(CAPI_U_Command1176, 1176, Controller)                                                                  \
    X(CAPI_U_Command1177, 1177, Controller)                                                                  \
    X(CAPI_U_Command1178, 1178, Controller)                                                                  \
    X(CAPI_U_Command1179, 1179, Controller)                                                                  \
    X(CAPI_U_DeleteAllSnapshots, CAPI_COMMAND_U_DELETE_ALL_SNAPSHOTS, IdP2Byte)                              \
    X(CAPI_U_GetSnapshotList, CAPI_COMMAND_U_GET_SNAPSHOT_LIST, IdOrNullP1ByteAb)                            \
    X(CAPI_U_GetSnapshotStats, CAPI_COMMAND_U_GET_SNAPSHOT_STATS, IdOrNullP1ByteAb)                          \
    X(CAPI_U_ResetSnapshot, CAPI_COMMAND_U_RESET_SNAPSHOT, Id)                                               \
    X(CAPI_U_Command1208, 1208, IdOrNullP1ByteAb)                                                            \
    X(CAPI_U_GetRolloffVolumeList, CAPI_COMMAND_U_GET_ROLLOFF_VOLUME_LIST, Ab)                               \
    X(CAPI_U_GetBackingStoreList, CAPI_COMMAND_U_GET_BACKING_STORE_LIST, Ab)                                 \
    X(CAPI_U_GetMasterVolumeList, CAPI_COMMAND_U_GET_MASTER_VOLUME_LIST, IdOrNullP1ByteAb)                   \
    X(CAPI_U_DeleteAllMasterVolumes, CAPI_COMMAND_U_DELETE_ALL_MASTER_VOLUMES, IdP2Byte)                     \
    X(CAPI_U_DmsGetTag, CAPI_COMMAND_U_DMS_GET_TAG, Ab)                                                      \
    X(CAPI_U_DmsGetPolicyThresholdList, CAPI_COMMAND_U_DMS_GET_POLICY_THRESHOLD_LIST, IdOrNullP1ByteAb)      \
    X(CAPI_U_Command1234, 1234, AbP1)                                                                        \
    X(CAPI_U_Command1235, 1235, Ab)                                                                          \
    X(CAPI_U_ResetActiveUtilsToGlobalTypeDef, 1242, Controller)                                              \
    X(CAPI_U_ResetActiveUtilsToGlobalDef, 1243, Controller)                                                  \
    X(CAPI_U_GetDefUtilTypePriority, 1244, P1Byte)                                                           \
    X(CAPI_U_SetDefUtilTypePriority, 1245, P1P2Bytes)                                                        \
    X(CAPI_U_Command1250, 1250, Ab)                                                                          \
    X(CAPI_U_Command1260, 1260, IdOrNullAb)                                                                  \
    X(CAPI_U_GetFlexHostList, CAPI_COMMAND_U_GET_FLEX_HOST_LIST, Ab)                                         \
    X(CAPI_U_AUTHDB_GetRecordCount, 1289, P1Byte)                                                            \
    X(CAPI_U_AUTHDB_Commit, 1293, Controller)                                                                \
    X(CAPI_U_GetPSPools, 1354, Ab)

// Rows X(wrapper, command code, shape, include type, caller's structure), sent as the caller made them;
// void where the controller alone knows the layout (the include type gives the size).
#define CAPI_UNIFIED_RECORD_WRAPPERS(X)                                                                     \
    X(CAPI_U_SetControllerParams, CAPI_COMMAND_U_SET_CONTROLLER_PARAMS, Record, 57, CAPI_UNIFIED_PARAMS)    \
    X(CAPI_U_LogEvent, CAPI_COMMAND_U_LOG_EVENT, RecordAb, 7, CAPI_EVENT_RECORD)                            \
    X(CAPI_U_ControlLeds, 1047, Record, 82, void)                                                           \
    X(CAPI_U_Command1048, 1048, Record, 86, void)                                                           \
    X(CAPI_U_Command1049, 1049, Record, 96, void)                                                           \
    X(CAPI_U_CreateArray, CAPI_COMMAND_U_CREATE_ARRAY, Record, 60, CAPI_UNIFIED_CREATE_ARRAY_PARAMS)        \
    X(CAPI_U_ExpandArray, CAPI_COMMAND_U_EXPAND_ARRAY, Record, 60, CAPI_UNIFIED_CREATE_ARRAY_PARAMS)        \
    X(CAPI_U_Command1119, 1119, RecordAb, 46, void)                                                         \
    X(CAPI_U_MapUnmapPartition, CAPI_COMMAND_U_MAP_UNMAP_PARTITION, RecordP1One, 63, CAPI_MAP_UNMAP_PARAMS) \
    X(CAPI_U_CreateSnapshots, CAPI_COMMAND_U_CREATE_SNAPSHOTS, Record, 72, CAPI_CREATE_SNAPSHOTS_PARAMS)    \
    X(CAPI_U_CommitSnapshots, CAPI_COMMAND_U_COMMIT_SNAPSHOTS, Record, 73, CAPI_SNAPSHOT_ID_PARAMS)         \
    X(CAPI_U_DeleteSnapshots, CAPI_COMMAND_U_DELETE_SNAPSHOTS, Record, 73, CAPI_SNAPSHOT_ID_PARAMS)         \
    X(CAPI_U_Rolloff, CAPI_COMMAND_U_ROLLOFF, Record, 85, CAPI_ROLLOFF_PARAMS)                              \
    X(CAPI_U_AbortRolloff, CAPI_COMMAND_U_ROLLOFF_ABORT, Record, 88, void)                                  \
    X(CAPI_U_ConvertMasterVolumes, CAPI_COMMAND_U_CONVERT_MASTER_VOLUMES, Record, 27,                       \
      CAPI_ARRAY_PARTITION_PARAMS)                                                                          \
    X(CAPI_U_RollbackMasterVolume, CAPI_COMMAND_U_ROLLBACK_MASTER_VOLUME, Record, 75, CAPI_ROLLBACK_PARAMS) \
    X(CAPI_U_DmsSetPolicy, CAPI_COMMAND_U_DMS_SET_POLICY, Record, 76, CAPI_DMS_POLICY)                      \
    X(CAPI_U_DmsSetThresholdLevels, CAPI_COMMAND_U_DMS_SET_THRESHOLD_LEVELS, Record, 76, CAPI_DMS_POLICY)   \
    X(CAPI_U_Command1261, 1261, Record, 91, void)                                                           \
    X(CAPI_U_Command1262, 1262, Record, 93, void)                                                           \
    X(CAPI_U_Command1263, 1263, Record, 93, void)                                                           \
    X(CAPI_U_Command1270, 1270, Record, 94, void)                                                           \
    X(CAPI_U_Command1271, 1271, Record, 94, void)                                                           \
    X(CAPI_U_Command1272, 1272, Record, 95, void)                                                           \
    X(CAPI_U_Command1273, 1273, Record, 94, void)                                                           \
    X(CAPI_U_Command1274, 1274, Record, 94, void)                                                           \
    X(CAPI_U_Command1275, 1275, Record, 94, void)                                                           \
    X(CAPI_U_Command1280, 1280, RecordAb, 100, void)                                                        \
    X(CAPI_U_AUTHDB_AddRecord, 1290, Record, 97, CAPI_AUTHDB_RECORD)                                        \
    X(CAPI_U_AUTHDB_RemoveRecord, 1291, Record, 97, CAPI_AUTHDB_RECORD)                                     \
    X(CAPI_U_AUTHDB_ModifyRecord, 1292, Record, 97, CAPI_AUTHDB_RECORD)                                     \
    X(CAPI_U_AUTHDB_GetRecord, 1294, Record, 97, CAPI_AUTHDB_RECORD)                                        \
    X(CAPI_U_Command1295, 1295, Record, 97, CAPI_AUTHDB_RECORD)                                             \
    X(CAPI_U_Command1296, 1296, Record, 98, CAPI_AUTHDB_RECORD)                                             \
    X(CAPI_U_Command1297, 1297, Record, 98, CAPI_AUTHDB_RECORD)                                             \
    X(CAPI_U_Command1300, 1300, Record, 98, CAPI_AUTHDB_RECORD)

CAPI_UNIFIED_WRAPPERS(CAPI_DECLARE_WRAPPER)
CAPI_UNIFIED_RECORD_WRAPPERS(CAPI_DECLARE_RECORD_WRAPPER)

// ---- Wrappers of their own shape.

// Sends a copy of the caller's record with the array's 32-byte identifier written into it.
int32_t CAPI_U_AddArrayPartition(CAPI_HANDLE handle, const uint8_t* arrayId,
                                 const CAPI_ARRAY_PARTITION_PARAMS* record);
// Sends only the caller's partition identifier, description length and description.
int32_t CAPI_U_ChangePartitionDescription(CAPI_HANDLE handle, const CAPI_ARRAY_PARTITION_PARAMS* record);

// The drive identifier record with the array's 32-byte identifier in front of the 8-byte drive identifier.
int32_t CAPI_U_AddDedicatedSpare(CAPI_HANDLE handle, const uint8_t* arrayId, const uint8_t* driveId);
// The SCSI maintenance record of the classic command with the drive identifier at byte 40 and no flags; a
// CDB above 16 bytes or data above 32,768 bytes is refused with CAPI_STATUS_INVALID_PARAM.
int32_t CAPI_U_DoScsiMaintenance(CAPI_HANDLE handle, const uint8_t* driveId, uint32_t value0, uint32_t value4,
                                 uint32_t value8, uint32_t value12, uint32_t value16, uint32_t value20,
                                 const uint8_t* cdb, uint32_t cdbLength, const uint8_t* data,
                                 uint32_t dataLength);

// length (param3) above 256 is refused with CAPI_STATUS_INVALID_PARAM before the identifier is written
// into the caller's record.
int32_t CAPI_U_EnvironWrite(CAPI_HANDLE handle, const uint8_t* id, uint32_t p2,
                            CAPI_ENVIRON_WRITE_PARAMS* record, uint32_t length);

// serialNumber: the partition's 16-byte serial number.
int32_t CAPI_U_GetPartitionView(CAPI_HANDLE handle, const uint8_t* serialNumber);
// initiatorName: sent when bit 0 of the flex id's type is set.
int32_t CAPI_U_GetHostView(CAPI_HANDLE handle, uint8_t a, const CAPI_FLEX_ID* flexId, uint32_t value,
                           const char* initiatorName);

// Utility priority of one utility instance: type 3 names it by an 8-byte drive identifier, every other type
// by a 32-byte identifier; without an identifier the record is all zero.
int32_t CAPI_U_GetUtilInstancePriority(CAPI_HANDLE handle, uint8_t type, const uint8_t* identifier);
int32_t CAPI_U_SetUtilInstancePriority(CAPI_HANDLE handle, uint8_t type, const uint8_t* identifier,
                                       uint8_t priority);

// poolId: the pool's 16-byte identifier.
int32_t CAPI_U_GetPSPoolComponents(CAPI_HANDLE handle, const uint8_t* poolId);
