// The proxy command codes, carried in a request's OpCode: codes 0-126, 97 of them in use. The executor's
// command table and every client take their codes from this one list.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t RRE_COMMAND_COUNT = 127;  // codes 0-126

// code, constant (RRE_<name>), in ascending order
#define RRE_COMMAND_LIST(X)              \
    X(0, GET_CONTROLLERHANDLEDB)         \
    X(1, GET_CONTROLLER)                 \
    X(2, GET_ARRAY_PARTITION)            \
    X(3, GET_PROGRESS)                   \
    X(4, GET_ARRAY_LIST)                 \
    X(5, GET_DRIVE_LIST)                 \
    X(6, GET_DRIVE_ENCLOSURES)           \
    X(7, GET_FIRST_EVENTNUMBER)          \
    X(8, GET_LAST_EVENTNUMBER)           \
    X(9, GET_EVENT)                      \
    X(10, GET_MULTIPLEEVENTS)            \
    X(11, GET_VERSION)                   \
    X(12, SET_PART_NAME)                 \
    X(13, SET_ARRAY_NAME)                \
    X(14, ADD_ARRAY_PART)                \
    X(15, DELETE_PART)                   \
    X(16, CREATE_ARRAY)                  \
    X(17, EXPAND_PART)                   \
    X(18, EXPAND_ARRAY)                  \
    X(19, ASSIGN_POOL_SPARE)             \
    X(20, BLINK_DRIVE)                   \
    X(21, FLUSH_CACHE)                   \
    X(22, FREE_CACHE)                    \
    X(23, SILENCE_ALARM)                 \
    X(24, DELETE_ARRAY)                  \
    X(27, ABORT_UTILITY)                 \
    X(28, GET_PERCENT_COMPLETED)         \
    X(29, SET_ADV_NET_INTERFACE)         \
    X(30, CHANGE_PART_LUN)               \
    X(40, EXT_MASK_READFILE)             \
    X(41, EXT_MASK_WRITEFILE)            \
    X(50, DMS_GET_TAG)                   \
    X(51, CREATE_SNAPSHOT)               \
    X(52, COMMIT_SNAPSHOT)               \
    X(53, DELETE_ALL_SNAPSHOTS)          \
    X(54, DELETE_SNAPSHOT)               \
    X(55, GET_BACKING_STORE_LIST)        \
    X(56, GET_MASTER_VOLUME_LIST)        \
    X(57, GET_SNAPSHOT_LIST)             \
    X(58, GET_SNAPSHOT_STATISTICS)       \
    X(59, RESET_SNAPSHOT)                \
    X(60, ROLLBACK_MASTER_VOLUME)        \
    X(61, CONVERT_MASTER_VOLUME)         \
    X(62, DMS_SET_POLICY)                \
    X(63, DMS_SET_THRESHOLD_LEVEL)       \
    X(64, DMS_GET_POLICY_THRESHOLD_LIST) \
    X(70, GET_PARTITION_VIEW)            \
    X(71, CREATE_CUSTOM_VIEW)            \
    X(72, GET_ALL_PART_VIEW)             \
    X(73, GET_HOST_VIEW)                 \
    X(74, ADD_HOST_NICK_NAME)            \
    X(75, GET_HOST_NICK_NAMES)           \
    X(76, GET_KNOWN_HOSTS)               \
    X(80, SET_PARTITION_CACHE_PARAM)     \
    X(81, SET_ARRAY_CACHE_PARAM)         \
    X(82, SET_CHANNEL_PARAM)             \
    X(83, GET_DRIVE_ENCLOSURE)           \
    X(84, SET_DRIVE_ENCLOSURE)           \
    X(85, REBOOT_CONTROLLER)             \
    X(86, VERIFY_ARRAY)                  \
    X(87, SHUTDOWN_CONTROLLER)           \
    X(90, SET_CONTROLLERTIMEDATE)        \
    X(91, GET_CONTROLLERTIMEDATE)        \
    X(92, SET_PREFERRED_OWNER)           \
    X(93, DO_SCSI_MAINTENANCE)           \
    X(94, SET_CONTROLLER_PARAMS)         \
    X(95, SET_ENCLOSUREFEATUREFLAGS)     \
    X(96, GET_STORAGESYSTEMS)            \
    X(97, VERIFY_PASSWORD)               \
    X(98, SET_PASSWORD)                  \
    X(99, GET_ADV_DRIVE_ENCLOSURE)       \
    X(100, REINIT_CONTROLLER)            \
    X(101, FREE_ORPHAN_DATA)             \
    X(102, GET_CONTROLLER_STATUS)        \
    X(103, REVIVE_ARRAY)                 \
    X(104, SET_ARRAY_BACKOFFPERCENT)     \
    X(105, RESCAN_ALL_BUS)               \
    X(106, SET_DISCOVERY_FLAG)           \
    X(108, GET_NEED_UPDATE_CONTROLLER)   \
    X(109, GET_UNIFIED_CONTROLLER_DATA)  \
    X(110, ADD_AUTHDB_RECORD)            \
    X(111, REMOVE_AUTHDB_RECORD)         \
    X(112, MODIFY_AUTHDB_RECORD)         \
    X(113, GET_AUTHDB_RECORD)            \
    X(114, GET_AUTHDB_RECORD_COUNT)      \
    X(115, SET_ALL_TARGET_SECRET)        \
    X(116, CLEAR_ALL_TARGET_SECRET)      \
    X(117, SET_TARGET_SECRET)            \
    X(118, REMEMBER_INITIATOR_SECRET)    \
    X(119, GET_FLEX_KNOWN_HOSTS)         \
    X(120, ROLLOFF_VOLUME)               \
    X(121, ABORT_ROLLOFF_VOLUME)         \
    X(122, GET_ROLLOFF_VOLUME_LIST)      \
    X(123, GET_CONNECT_HBA_WWPN_LIST)    \
    X(124, SET_DMS_POLICY)               \
    X(125, GET_CONNECT_HBA_INFO_LIST)    \
    X(126, CHANGE_PARTITION_DESCRIPTION)

enum RRE_COMMAND : uint32_t {
#define RRE_COMMAND_ENUMERATOR(code, name) RRE_##name = code,
    RRE_COMMAND_LIST(RRE_COMMAND_ENUMERATOR)
#undef RRE_COMMAND_ENUMERATOR
};

// Every code in use, ascending.
constexpr RRE_COMMAND RRE_COMMAND_CODES[] = {
#define RRE_COMMAND_CODE(code, name) RRE_##name,
    RRE_COMMAND_LIST(RRE_COMMAND_CODE)
#undef RRE_COMMAND_CODE
};
constexpr size_t RRE_COMMANDS_IN_USE = sizeof RRE_COMMAND_CODES / sizeof RRE_COMMAND_CODES[0];
static_assert(RRE_COMMANDS_IN_USE == 97);
static_assert(
    [] {
        for (size_t i = 0; i < RRE_COMMANDS_IN_USE; ++i) {
            if (RRE_COMMAND_CODES[i] >= RRE_COMMAND_COUNT) return false;
            if (i > 0 && RRE_COMMAND_CODES[i] <= RRE_COMMAND_CODES[i - 1]) return false;
        }
        return true;
    }(),
    "codes ascend and lie in 0-126");
