// The classic command set's wrappers (command codes below 1000): the library's typed face of each command.
// Every wrapper takes the controller handle first, builds the command's address (-1 in each selector it does
// not name), takes or builds the include record, and returns the send path's result unchanged. Arguments
// a wrapper refuses (a missing record or identifier, a count or length beyond its record) send nothing.
// The chunked transfers (firmware and buffer writes) are in chunked_transfer.h.
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"
#include "corlink/capi/wrapper_shapes.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_structures.h"

// Rows X(wrapper, command code, shape); the shapes are in wrapper_shapes.h. Where an argument's name in the
// shape is generic, the row says what it is.
#define CAPI_CLASSIC_WRAPPERS(X)                                                                           \
    X(CAPI_AbortUtility, CAPI_COMMAND_NON_U_ABORT_UTILITY, Array)                                          \
    X(CAPI_AddDedicatedSpare, CAPI_COMMAND_NON_U_ADD_DEDICATED_SPARE, ArrayChannelDrive)                   \
    X(CAPI_AddHostNickname, CAPI_COMMAND_NON_U_ADD_HOST_NICKNAME, HostNickname)                            \
    X(CAPI_AddPoolSpare, CAPI_COMMAND_NON_U_ADD_POOL_SPARE, ChannelDrive)                                  \
    X(CAPI_BlinkDrive, CAPI_COMMAND_NON_U_BLINK_DRIVE, ChannelDrive)                                       \
    X(CAPI_CacheTest, 60, Controller)                                                                      \
    X(CAPI_ChangeArrayPartitionGeometry, CAPI_COMMAND_NON_U_CHANGE_ARRAY_PARTITION_GEOMETRY,               \
      PartitionGeometry)                                                                                   \
    X(CAPI_ChangeArrayPartitionLun, CAPI_COMMAND_NON_U_CHANGE_ARRAY_PARTITION_LUN, PartitionLun)           \
    X(CAPI_ChangeArrayPartitionLunEx, CAPI_COMMAND_NON_U_CHANGE_ARRAY_PARTITION_LUN, PartitionLunAndUnit)  \
    X(CAPI_ChangeArrayPartitionName, CAPI_COMMAND_NON_U_CHANGE_ARRAY_PARTITION_NAME, PartitionName)        \
    X(CAPI_ChangeUtilityPriority, CAPI_COMMAND_NON_U_CHANGE_UTILITY_PRIORITY,                              \
      ArrayP1Byte) /* p1: the priority */                                                                  \
    X(CAPI_ClearEventLog, CAPI_COMMAND_NON_U_CLEAR_EVENT_LOG, Controller)                                  \
    X(CAPI_DeleteArray, CAPI_COMMAND_NON_U_DELETE_ARRAY, Id)                                               \
    X(CAPI_DeleteArrayPartition, CAPI_COMMAND_NON_U_DELETE_ARRAY_PARTITION, Id)                            \
    X(CAPI_DeleteSpare, CAPI_COMMAND_NON_U_DELETE_SPARE, ChannelDrive)                                     \
    X(CAPI_DequarantineArray, 106, Id)                                                                     \
    X(CAPI_DownDrive, CAPI_COMMAND_NON_U_DOWN_DRIVE, ChannelDrive)                                         \
    X(CAPI_EnvironRead, 46, P1P2)                                                                          \
    X(CAPI_FindNextEnvironProcessor, CAPI_COMMAND_NON_U_FIND_NEXT_ENVIRON_PROCESSOR, P1)                   \
    X(CAPI_FlushCache, CAPI_COMMAND_NON_U_FLUSH_CACHE, Array)                                              \
    X(CAPI_ForceCriticalError, CAPI_COMMAND_NON_U_FORCE_CRITICAL_ERROR, P1P2)                              \
    X(CAPI_ForceOffline, CAPI_COMMAND_NON_U_FORCE_OFFLINE, P1P2P3Bytes)                                    \
    X(CAPI_ForceOnline, CAPI_COMMAND_NON_U_FORCE_ONLINE, P1P2P3Bytes)                                      \
    X(CAPI_FreeCache, CAPI_COMMAND_NON_U_FREE_CACHE, Id)                                                   \
    X(CAPI_Command89, 89, Controller)                                                                      \
    X(CAPI_GetAdvNetworkIntf, CAPI_COMMAND_GET_ADV_NETWORK_INTF, Controller)                               \
    X(CAPI_GetAdvancedUnitMapping, 62, Controller)                                                         \
    X(CAPI_GetArrayList, CAPI_COMMAND_NON_U_GET_ARRAY_LIST, P1Byte)                                        \
    X(CAPI_GetArrayPartitionStats, CAPI_COMMAND_NON_U_GET_ARRAY_PARTITION_STATS, Id)                       \
    X(CAPI_GetArrayPartitions, CAPI_COMMAND_NON_U_GET_ARRAY_PARTITIONS, Id)                                \
    X(CAPI_GetArrayStats, CAPI_COMMAND_NON_U_GET_ARRAY_STATS, Id)                                          \
    X(CAPI_GetConfigSequenceNumber, CAPI_COMMAND_NON_U_GET_CONFIG_SEQ_NUMBER, Controller)                  \
    X(CAPI_GetDebugData, CAPI_COMMAND_NON_U_GET_DEBUG_DATA, P1ByteP2)                                      \
    X(CAPI_GetDriveEnclosures, CAPI_COMMAND_NON_U_GET_DRIVE_ENCLOSURES, Controller)                        \
    X(CAPI_GetDriveErrorStats, CAPI_COMMAND_NON_U_GET_DRIVE_ERROR_STATS, DriveWwn)                         \
    X(CAPI_GetDriveList, CAPI_COMMAND_NON_U_GET_DRIVE_LIST, Controller)                                    \
    X(CAPI_GetEvent, CAPI_COMMAND_NON_U_GET_EVENT, P1) /* p1: the event number */                          \
    X(CAPI_GetFirstEvent, CAPI_COMMAND_NON_U_GET_FIRST_EVENT, Controller)                                  \
    X(CAPI_GetFreeArrayPartitions, CAPI_COMMAND_NON_U_GET_FREE_ARRAY_PARTITIONS, Id)                       \
    X(CAPI_GetHostLunMapList, 99, HostLunMap)                                                              \
    X(CAPI_GetHostNicknames, CAPI_COMMAND_NON_U_GET_HOST_NICKNAMES, Controller)                            \
    X(CAPI_GetKnownHosts, CAPI_COMMAND_NON_U_GET_KNOWN_HOSTS, Controller)                                  \
    X(CAPI_GetLastEvent, CAPI_COMMAND_NON_U_GET_LAST_EVENT, Controller)                                    \
    X(CAPI_GetMultipleEvents, CAPI_COMMAND_NON_U_GET_MULTIPLE_EVENTS, P1P2)                                \
    X(CAPI_Command15, 15, Array)                                                                           \
    X(CAPI_KillOther, 58, Controller)                                                                      \
    X(CAPI_LogIn, CAPI_COMMAND_NON_U_LOG_IN, Login)                                                        \
    X(CAPI_LogOut, CAPI_COMMAND_NON_U_LOG_OUT, Login)                                                      \
    X(CAPI_PauseBus, CAPI_COMMAND_NON_U_PAUSE_BUS, P1) /* p1: the channel, not in the address */           \
    X(CAPI_Command13, 13, Controller)                                                                      \
    X(CAPI_PutOffline, CAPI_COMMAND_NON_U_PUT_OFFLINE, P1P2P3Bytes)                                        \
    X(CAPI_PutOnline, CAPI_COMMAND_NON_U_PUT_ONLINE, P1P2P3Bytes)                                          \
    X(CAPI_RebootController, CAPI_COMMAND_NON_U_REBOOT_CONTROLLER, P1Byte)                                 \
    X(CAPI_RescanBus, CAPI_COMMAND_NON_U_RESCAN, Channel)                                                  \
    X(CAPI_ResetArrayPartitionStats, 80, Id)                                                               \
    X(CAPI_ResetArrayStats, 20, Array)                                                                     \
    X(CAPI_ResetDriveErrorStats, CAPI_COMMAND_NON_U_RESET_DRIVE_ERROR_STATS, DriveWwn)                     \
    X(CAPI_ResetDriveStats, 21, ChannelDrive)                                                              \
    X(CAPI_ResetLan, CAPI_COMMAND_NON_U_RESET_LAN, Controller)                                             \
    X(CAPI_RestoreControllerDefaults, CAPI_COMMAND_NON_U_RESTORE_CONTROLLER_DEFAULTS, Controller)          \
    X(CAPI_ScsiMaintData, 44, UnusedP1)                                                                    \
    X(CAPI_SetArrayPartitionCacheParams, CAPI_COMMAND_NON_U_SET_ARRAY_PARTITION_CACHE_PARAMS, CacheParams) \
    X(CAPI_SetBatteryMonitor, CAPI_COMMAND_NON_U_SET_BATTERY_MONITOR, P1P2Bytes)                           \
    X(CAPI_SetControllerTimeDate, 34, P1)                                                                  \
    X(CAPI_SetDriveEnclosureParams, CAPI_COMMAND_NON_U_SET_DRIVE_ENCLOSURE_PARAMS, EnclosureParams)        \
    X(CAPI_SetPreferredOwner, CAPI_COMMAND_NON_U_SET_PREFERRED_OWNER, Id)                                  \
    X(CAPI_SetLunMapping, CAPI_COMMAND_NON_U_SET_LUN_MAPPING, ArrayP1) /* p1: the LUN */                   \
    X(CAPI_ShutDownController, CAPI_COMMAND_NON_U_SHUTDOWN_CONTROLLER, P1P2Bytes)                          \
    X(CAPI_SilenceAlarm, CAPI_COMMAND_NON_U_SILENCE_ALARM, Controller)                                     \
    X(CAPI_TestDrive, CAPI_COMMAND_NON_U_TEST_DRIVE, ChannelDrive)                                         \
    X(CAPI_TestSpares, CAPI_COMMAND_NON_U_TEST_SPARES, P1Byte)                                             \
    X(CAPI_TrustArray, CAPI_COMMAND_NON_U_TRUST_ARRAY, Array)                                              \
    X(CAPI_UnblinkDrive, CAPI_COMMAND_NON_U_UNBLINK_DRIVE, ChannelDrive)                                   \
    X(CAPI_UnkillOther, 59, Controller)                                                                    \
    X(CAPI_UnpauseBus, CAPI_COMMAND_NON_U_UNPAUSE_BUS, Channel)                                            \
    X(CAPI_UpdateController, CAPI_COMMAND_UPDATE_CONTROLLER, Controller)                                   \
    X(CAPI_VerifyArray, 30, Array)

// Rows X(wrapper, command code, shape, include type, caller's structure), sent as the caller made them.
#define CAPI_CLASSIC_RECORD_WRAPPERS(X)                                                                   \
    X(CAPI_AddArrayPartition, CAPI_COMMAND_NON_U_ADD_ARRAY_PARTITION, UnusedRecord, 27,                   \
      CAPI_ARRAY_PARTITION_PARAMS)                                                                        \
    X(CAPI_ChangeArrayName, CAPI_COMMAND_NON_U_CHANGE_ARRAY_NAME, ArrayRecord, 8, CAPI_ARRAY_NAME_PARAMS) \
    X(CAPI_LogEvent, CAPI_COMMAND_NON_U_LOG_EVENT, Record, 7, CAPI_EVENT_RECORD)                          \
    X(CAPI_SetAdvNetworkIntf, CAPI_COMMAND_SET_ADV_NETWORK_INTF, Record, 31,                              \
      CAPI_ADVANCED_NETWORK_INTERFACE)                                                                    \
    X(CAPI_SetCacheParams, CAPI_COMMAND_NON_U_SET_CACHE_PARAMS, ArrayRecord, 3, CAPI_CACHE_PARAMS)        \
    X(CAPI_SetChannelParams, 65, P1ByteChannelRecord, 19, CAPI_CHANNEL_PARAMS)                            \
    X(CAPI_SetControllerParams, CAPI_COMMAND_NON_U_SET_CONTROLLER_PARAMS, Record, 4, CAPI_CONTROLLER_PARAMS)

CAPI_CLASSIC_WRAPPERS(CAPI_DECLARE_WRAPPER)
CAPI_CLASSIC_RECORD_WRAPPERS(CAPI_DECLARE_RECORD_WRAPPER)

// ---- Wrappers of their own shape.

// Host table commands: a host is named by its 32-byte identifier (id, may be null) or by its index in the
// channel's host table. AddHost always sends the index in param1; the others send -1 there when id is given.
int32_t CAPI_AddHost(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                     const CAPI_FLEX_ID* flexId, uint8_t a, uint8_t b);
int32_t CAPI_RemoveHost(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                        const CAPI_FLEX_ID* flexId, uint8_t a, uint8_t b);
int32_t CAPI_ChangeHostwardenType(CAPI_HANDLE handle, uint32_t channel, const uint8_t* id, uint32_t index,
                                  uint8_t a, uint8_t b);
// With an identifier: a type-21 record; without: no include and the index in param1.
int32_t CAPI_GetHostTable(CAPI_HANDLE handle, uint32_t channel, uint32_t index, const uint8_t* id);

// Create and expand: count + count2 drive locations (at most 68) from `drives`; name: 20 characters at most
// (a 20-character name is not terminated), may be null; cacheParams may be null. A larger count is refused
// with CAPI_STATUS_INVALID_PARAM.
int32_t CAPI_CreateArray(CAPI_HANDLE handle, uint8_t unused, const CAPI_DRIVE_LOCATION* drives,
                         uint32_t count, uint32_t value564, uint16_t count2, uint8_t value552,
                         uint32_t value556, uint32_t value560, uint32_t value568, uint8_t owner,
                         uint8_t value576, const char* name, const CAPI_CACHE_PARAMS* cacheParams);
int32_t CAPI_ExpandArray(CAPI_HANDLE handle, uint32_t array, const CAPI_DRIVE_LOCATION* drives,
                         uint32_t count, uint16_t count2);

// The SCSI maintenance record: six words, a CDB of at most 16 bytes and at most 32,768 data bytes (either may
// be null); longer ones are refused with CAPI_STATUS_INVALID_PARAM. Bit 2 of flags sets byte 72.
int32_t CAPI_ScsiMaintenance(CAPI_HANDLE handle, uint32_t value0, uint32_t value4, uint32_t value8,
                             uint32_t value12, uint32_t value16, uint32_t value20, const uint8_t* cdb,
                             uint32_t cdbLength, const uint8_t* data, uint32_t dataLength, uint8_t flags);

// length (param3) above 256 is refused with CAPI_STATUS_INVALID_PARAM.
int32_t CAPI_EnvironWrite(CAPI_HANDLE handle, uint32_t p1, uint32_t p2,
                          const CAPI_ENVIRON_WRITE_PARAMS* record, uint32_t length);
// length bytes of data (param1), sent as they are.
int32_t CAPI_DebugLoopBackTest(CAPI_HANDLE handle, const uint8_t* data, uint32_t length);
// count records (param1), sent as they are.
int32_t CAPI_SetAdvancedUnitMapping(CAPI_HANDLE handle, const CAPI_ADVANCED_UNIT_MAPPING* records,
                                    uint16_t count);
