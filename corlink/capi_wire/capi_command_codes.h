// CAPI command codes: the command a request packet carries in commandCode.
// Each row gives the code, the name as the logs print it, and whether the printed name is padded with
// blanks to 31 characters.
#pragma once

#include <cstdint>

// Classic commands, codes 1 to 108.
// clang-format off
#define CAPI_CLASSIC_COMMAND_LIST(X) \
    X(1, NON_U_ABORT_UTILITY, Plain) \
    X(3, NON_U_ADD_DEDICATED_SPARE, Plain) \
    X(5, NON_U_BLINK_DRIVE, Plain) \
    X(6, NON_U_CHANGE_UTILITY_PRIORITY, Plain) \
    X(7, NON_U_CLEAR_EVENT_LOG, Plain) \
    X(8, NON_U_DELETE_ARRAY, Plain) \
    X(9, NON_U_DELETE_SPARE, Plain) \
    X(11, NON_U_FLUSH_CACHE, Plain) \
    X(12, NON_U_FREE_CACHE, Plain) \
    X(14, NON_U_PAUSE_BUS, Plain) \
    X(16, NON_U_REBOOT_CONTROLLER, Plain) \
    X(19, NON_U_RESCAN, Plain) \
    X(22, NON_U_SET_CACHE_PARAMS, Plain) \
    X(23, NON_U_SET_CONTROLLER_PARAMS, Plain) \
    X(24, NON_U_SET_LUN_MAPPING, Plain) \
    X(25, NON_U_TEST_DRIVE, Plain) \
    X(26, NON_U_UNBLINK_DRIVE, Plain) \
    X(27, NON_U_UNPAUSE_BUS, Plain) \
    X(28, UPDATE_CONTROLLER, Plain) \
    X(29, NON_U_GET_MULTIPLE_EVENTS, Plain) \
    X(31, NON_U_EXPAND_ARRAY, Plain) \
    X(32, NON_U_ADD_POOL_SPARE, Plain) \
    X(35, NON_U_RESTORE_CONTROLLER_DEFAULTS, Plain) \
    X(36, NON_U_GET_FIRST_EVENT, Plain) \
    X(37, NON_U_GET_LAST_EVENT, Plain) \
    X(38, NON_U_GET_EVENT, Plain) \
    X(39, NON_U_DOWN_DRIVE, Plain) \
    X(41, NON_U_DEBUG_LOOP_BACK_TEST, Plain) \
    X(42, NON_U_CHANGE_ARRAY_NAME, Plain) \
    X(45, NON_U_FIND_NEXT_ENVIRON_PROCESSOR, Plain) \
    X(48, NON_U_SHUTDOWN_CONTROLLER, Plain) \
    X(49, NON_U_UPDATE_CONTROLLER_FIRMWARE, Plain) \
    X(55, NON_U_TEST_SPARES, Plain) \
    X(56, NON_U_SILENCE_ALARM, Plain) \
    X(57, NON_U_SET_PREFERRED_OWNER, Plain) \
    X(61, NON_U_TRUST_ARRAY, Plain) \
    X(63, NON_U_GET_DRIVE_LIST, Plain) \
    X(64, NON_U_GET_CONFIG_SEQ_NUMBER, Plain) \
    X(67, NON_U_REMOVE_HOST, Plain) \
    X(68, NON_U_ADD_HOST, Plain) \
    X(69, NON_U_GET_HOST_TABLE, Plain) \
    X(70, NON_U_LOG_IN, Plain) \
    X(71, NON_U_LOG_OUT, Plain) \
    X(72, NON_U_SET_BATTERY_MONITOR, Plain) \
    X(73, NON_U_GET_ARRAY_LIST, Plain) \
    X(74, NON_U_CHANGE_ARRAY_PARTITION_LUN, Plain) \
    X(75, NON_U_CHANGE_ARRAY_PARTITION_NAME, Plain) \
    X(76, NON_U_CHANGE_ARRAY_PARTITION_GEOMETRY, Plain) \
    X(77, NON_U_GET_ARRAY_PARTITIONS, Plain) \
    X(78, NON_U_ADD_ARRAY_PARTITION, Plain) \
    X(79, NON_U_DELETE_ARRAY_PARTITION, Plain) \
    X(81, NON_U_GET_FREE_ARRAY_PARTITIONS, Plain) \
    X(82, NON_U_GET_KNOWN_HOSTS, Plain) \
    X(83, NON_U_CHANGE_HOSTWARDEN_TYPE, Plain) \
    X(84, NON_U_RESET_LAN, Plain) \
    X(86, GET_ADV_NETWORK_INTF, Plain) \
    X(87, SET_ADV_NETWORK_INTF, Plain) \
    X(88, NON_U_FORCE_CRITICAL_ERROR, Plain) \
    X(90, NON_U_GET_HOST_NICKNAMES, Plain) \
    X(91, NON_U_ADD_HOST_NICKNAME, Plain) \
    X(92, NON_U_GET_DRIVE_ERROR_STATS, Plain) \
    X(93, NON_U_RESET_DRIVE_ERROR_STATS, Plain) \
    X(94, NON_U_SET_ARRAY_PARTITION_CACHE_PARAMS, Plain) \
    X(95, NON_U_GET_DEBUG_DATA, Plain) \
    X(96, NON_U_LOG_EVENT, Plain) \
    X(97, NON_U_GET_DRIVE_ENCLOSURES, Plain) \
    X(98, NON_U_SET_DRIVE_ENCLOSURE_PARAMS, Plain) \
    X(100, NON_U_PUT_OFFLINE, Plain) \
    X(101, NON_U_PUT_ONLINE, Plain) \
    X(102, NON_U_FORCE_OFFLINE, Plain) \
    X(103, NON_U_FORCE_ONLINE, Plain) \
    X(104, NON_U_WRITE_BUFFER, Plain) \
    X(105, NON_U_READ_BUFFER, Plain) \
    X(107, NON_U_GET_ARRAY_PARTITION_STATS, Plain) \
    X(108, NON_U_GET_ARRAY_STATS, Plain)

// Unified commands, codes 1001 to 1281.
#define CAPI_UNIFIED_COMMAND_LIST(X) \
    X(1001, U_GET_CONTROLLER_DATA, Plain) \
    X(1002, U_GET_ARRAY_LIST, Plain) \
    X(1003, U_GET_DRIVE_LIST, Plain) \
    X(1004, U_GET_CONFIG_SEQ_NUMBER, Plain) \
    X(1010, U_SET_CONTROLLER_PARAMS, Plain) \
    X(1012, U_SET_CONTROLLER_TIMEDATE, Plain) \
    X(1015, U_SET_BATTERY_MONITOR, Plain) \
    X(1020, U_GET_FIRST_EVENT, Plain) \
    X(1021, U_GET_LAST_EVENT, Plain) \
    X(1022, U_GET_EVENT, Plain) \
    X(1023, U_CLEAR_EVENT_LOG, Plain) \
    X(1024, U_LOG_EVENT, Plain) \
    X(1025, U_GET_MULTIPLE_EVENTS, Plain) \
    X(1030, U_SHUTDOWN_CONTROLLER, Plain) \
    X(1031, U_REBOOT_CONTROLLER, Plain) \
    X(1033, U_RESET_LAN, Plain) \
    X(1035, U_PAUSE_BUS, Plain) \
    X(1036, U_UNPAUSE_BUS, Plain) \
    X(1037, U_RESCAN, Plain) \
    X(1038, U_PUT_OFFLINE, Plain) \
    X(1039, U_PUT_ONLINE, Plain) \
    X(1040, U_FORCE_OFFLINE, Plain) \
    X(1041, U_FORCE_ONLINE, Plain) \
    X(1042, U_SILENCE_ALARM, Plain) \
    X(1043, U_RESTORE_CONTROLLER_DEFAULTS, Plain) \
    X(1044, U_UPDATE_CONTROLLER_FIRMWARE, Plain) \
    X(1050, U_CREATE_ARRAY, Plain) \
    X(1051, U_DELETE_ARRAY, Plain) \
    X(1052, U_EXPAND_ARRAY, Plain) \
    X(1053, U_CHANGE_ARRAY_NAME, Plain) \
    X(1054, U_SET_PREFERRED_OWNER, Plain) \
    X(1055, U_TRUST_ARRAY, Plain) \
    X(1056, U_VERIFY_ARRAY, Plain) \
    X(1057, U_RESET_ARRAY_STATS, Plain) \
    X(1058, U_ADD_DEDICATED_SPARE, Plain) \
    X(1059, U_DELETE_SPARE, Plain) \
    X(1060, U_ABORT_UTILITY, Plain) \
    X(1061, U_CHANGE_UTILITY_PRIORITY, Plain) \
    X(1062, U_GET_PERCENT_COMPLETE, Plain) \
    X(1064, U_GET_ARRAY_STATS, Plain) \
    X(1070, U_CHANGE_ARRAY_PARTITION_LUN, Plain) \
    X(1071, U_CHANGE_ARRAY_PARTITION_NAME, Plain) \
    X(1072, U_CHANGE_ARRAY_PARTITION_GEOMETRY, Plain) \
    X(1073, U_GET_ARRAY_PARTITIONS, Plain) \
    X(1074, U_ADD_ARRAY_PARTITION, Plain) \
    X(1075, U_DELETE_ARRAY_PARTITION, Plain) \
    X(1076, U_RESET_ARRAY_PARTITION_STATS, Plain) \
    X(1077, U_GET_FREE_ARRAY_PARTITIONS, Plain) \
    X(1078, U_SET_ARRAY_PARTITION_CACHE_PARAMS, Plain) \
    X(1079, U_SET_LUN_MAPPING, Plain) \
    X(1080, U_GET_ARRAY_PARTITION_STATS, Plain) \
    X(1083, U_CHANGE_PARTITION_DESCRIPTION, Plain) \
    X(1090, U_BLINK_DRIVE, Plain) \
    X(1091, U_UNBLINK_DRIVE, Plain) \
    X(1092, U_RESET_DRIVE_STATS, Plain) \
    X(1093, U_TEST_DRIVE, Plain) \
    X(1094, U_ADD_POOL_SPARE, Plain) \
    X(1095, U_DOWN_DRIVE, Plain) \
    X(1096, U_DO_SCSI_MAINT, Plain) \
    X(1097, U_GET_SCSI_MAINT_DATA, Plain) \
    X(1098, U_GET_DRIVE_ERROR_STATS, Plain) \
    X(1099, U_RESET_DRIVE_ERROR_STATS, Plain) \
    X(1100, U_TEST_SPARES, Plain) \
    X(1101, U_WRITE_BUFFER, Plain) \
    X(1102, U_READ_BUFFER, Plain) \
    X(1110, U_FIND_NEXT_ENVIRON_PROCESSOR, Plain) \
    X(1111, U_READ_ENVIRON, Plain) \
    X(1112, U_WRITE_ENVIRON, Plain) \
    X(1113, U_GET_DRIVE_ENCLOSURES, Plain) \
    X(1114, U_SET_DRIVE_ENCLOSURE_PARAMS, Plain) \
    X(1115, U_GET_DRIVE_ENCLOSURE, Plain) \
    X(1116, U_GET_FRU_DATA, Plain) \
    X(1120, U_DEBUG_LOOP_BACK_TEST, Plain) \
    X(1121, U_FORCE_CRITICAL_ERROR, Plain) \
    X(1122, U_GET_DEBUG_DATA, Plain) \
    X(1130, U_FLUSH_CACHE, Plain) \
    X(1131, U_FREE_CACHE, Plain) \
    X(1132, U_SET_CACHE_PARAMS, Plain) \
    X(1133, U_TEST_CACHE, Plain) \
    X(1150, U_GET_HOST_TABLE, Plain) \
    X(1151, U_ADD_HOST, Plain) \
    X(1152, U_REMOVE_HOST, Plain) \
    X(1162, U_CHANGE_HOSTWARDEN_TYPE, Plain) \
    X(1163, U_GET_KNOWN_HOSTS, Plain) \
    X(1164, U_GET_HOST_NICKNAMES, Plain) \
    X(1165, U_ADD_HOST_NICKNAME, Plain) \
    X(1170, U_LOG_IN, Plain) \
    X(1171, U_LOG_OUT, Plain) \
    X(1180, U_MAP_UNMAP_PARTITION, Padded) \
    X(1181, U_GET_PARTITION_VIEW, Padded) \
    X(1182, U_GET_HOST_VIEW, Padded) \
    X(1200, U_DELETE_ALL_SNAPSHOTS, Padded) \
    X(1201, U_GET_SNAPSHOT_LIST, Padded) \
    X(1202, U_GET_SNAPSHOT_STATS, Padded) \
    X(1203, U_CREATE_SNAPSHOTS, Padded) \
    X(1204, U_COMMIT_SNAPSHOTS, Padded) \
    X(1205, U_DELETE_SNAPSHOTS, Padded) \
    X(1206, U_RESET_SNAPSHOT, Padded) \
    X(1207, U_ROLLOFF, Plain) \
    X(1209, U_GET_ROLLOFF_VOLUME_LIST, Plain) \
    X(1210, U_GET_BACKING_STORE_LIST, Padded) \
    X(1211, U_ROLLOFF_ABORT, Plain) \
    X(1220, U_GET_MASTER_VOLUME_LIST, Padded) \
    X(1221, U_DELETE_ALL_MASTER_VOLUMES, Padded) \
    X(1222, U_CONVERT_MASTER_VOLUMES, Padded) \
    X(1223, U_ROLLBACK_MASTER_VOLUME, Padded) \
    X(1230, U_DMS_GET_TAG, Padded) \
    X(1231, U_DMS_SET_POLICY, Padded) \
    X(1232, U_DMS_SET_THRESHOLD_LEVELS, Padded) \
    X(1233, U_DMS_GET_POLICY_THRESHOLD_LIST, Plain) \
    X(1281, U_GET_FLEX_HOST_LIST, Plain)
// clang-format on

#define CAPI_COMMAND_LIST(X) CAPI_CLASSIC_COMMAND_LIST(X) CAPI_UNIFIED_COMMAND_LIST(X)

#define CAPI_DEFINE_COMMAND_CONSTANT(code, name, padding) inline constexpr int32_t CAPI_COMMAND_##name = code;
CAPI_COMMAND_LIST(CAPI_DEFINE_COMMAND_CONSTANT)
#undef CAPI_DEFINE_COMMAND_CONSTANT

// A client's raw packet, sent as it stands; it has no printed name.
inline constexpr int32_t CAPI_COMMAND_U_PASSTHROUGH = -1;
// Asks the controller for the next part of a multi-part reply; it has no printed name.
inline constexpr int32_t CAPI_COMMAND_NEXT_PART = 1380;
