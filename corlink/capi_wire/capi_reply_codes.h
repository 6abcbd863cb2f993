// CAPI reply codes: the code a reply packet carries in commandCode. Replies to classic commands and
// the library's own reports use 300 to 416; the reply to a unified command is its command code + 1000
// and is named after the command.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_command_codes.h"

// Classic replies, codes 300 to 416 (389 is not used).
// clang-format off
#define CAPI_REPLY_LIST(X) \
    X(300, CAPI_VERSION_MISMATCH) \
    X(301, ADD_DEDICATED_SPARE) \
    X(302, ARRAY_DELETE) \
    X(303, ARRAY_NAME_CHANGE) \
    X(304, ARRAY_UTIL_PRIORITY_CHANGE) \
    X(305, CACHE_FLUSH) \
    X(306, CACHE_FREE) \
    X(307, RESERVED_307) \
    X(308, RESERVED_308) \
    X(309, RESERVED_309) \
    X(310, CONTROLLER_REBOOT_START) \
    X(311, CONTROLLER_UPDATE) \
    X(312, CREATE_ARRAY_START) \
    X(313, DRIVE_BLINK) \
    X(314, DRIVE_UNBLINK) \
    X(315, EVENT_LOG_CLEAR) \
    X(316, RESERVED_316) \
    X(317, RESERVED_317) \
    X(318, UNIT_MAPPING) \
    X(319, PAUSE_BUS) \
    X(320, RESERVED_320) \
    X(321, RESCAN_BUS_START) \
    X(322, RESET_ARRAY_STATS) \
    X(323, RESET_DRIVE_STATS) \
    X(324, SET_CACHE_PARAMS) \
    X(325, SET_CONTROLLER_PARAMS) \
    X(326, RESET_DRIVE_ERROR_STATS) \
    X(327, RESERVED_327) \
    X(328, SPARE_DELETE) \
    X(329, TEST_DRIVE) \
    X(330, UNPAUSE_BUS) \
    X(331, UTILITY_ABORT) \
    X(332, UTILITY_PERCENT) \
    X(333, VERIFY_ARRAY_START) \
    X(334, SET_CONTROLLER_TIMEDATE) \
    X(335, RESTORE_CONTROLLER_DEFAULTS) \
    X(336, GET_FIRST_EVENT) \
    X(337, GET_LAST_EVENT) \
    X(338, GET_EVENT) \
    X(339, RESERVED_339) \
    X(340, INITIALIZE_COMPLETE) \
    X(341, DOWN_DRIVE) \
    X(342, COMMUNICATION_TIMEOUT) \
    X(343, COMMUNICATION_ERROR) \
    X(344, DEBUG_LOOP_BACK_TEST) \
    X(345, SCSI_MAINT_START) \
    X(346, SCSI_MAINT_DATA) \
    X(347, EXPAND_ARRAY_START) \
    X(348, ADD_POOL_SPARE) \
    X(349, FIND_NEXT_ENVIRON_PROCESSOR) \
    X(350, SILENCE_ALARM) \
    X(351, RESERVED_351) \
    X(352, ENVIRON_READ) \
    X(353, ENVIRON_WRITE) \
    X(354, SHUTDOWN_CONTROLLER) \
    X(355, TEST_SPARES) \
    X(356, UPDATE_FIRMWARE) \
    X(357, TRUST_ARRAY) \
    X(358, SET_CHANNEL_PARAMS) \
    X(359, SET_PREFERRED_OWNER) \
    X(360, KILL_OTHER) \
    X(361, UNKILL_OTHER) \
    X(362, CACHE_TEST) \
    X(363, GET_DRIVE_LIST) \
    X(364, GET_ADVANCED_UNIT_MAPPING) \
    X(365, SET_ADVANCED_UNIT_MAPPING) \
    X(366, RESERVED_366) \
    X(367, RESERVED_367) \
    X(368, RESERVED_368) \
    X(369, RESERVED_369) \
    X(370, GET_CONFIG_SEQ_NUMBER) \
    X(371, LOG_IN) \
    X(372, LOG_OUT) \
    X(373, SET_BATTERY_MONITOR) \
    X(374, GET_ARRAY_LIST) \
    X(375, GET_HOST_TABLE) \
    X(376, ADD_HOST) \
    X(377, REMOVE_HOST) \
    X(378, ARRAY_PARTITION_NAME_CHANGE) \
    X(379, ARRAY_PARTITION_LUN_CHANGE) \
    X(380, ARRAY_PARTITION_GEOMETRY_CHANGE) \
    X(381, ADD_ARRAY_PARTITION) \
    X(382, DELETE_ARRAY_PARTITION) \
    X(383, GET_ARRAY_PARTITIONS) \
    X(384, RESET_ARRAY_PARTITION_STATS) \
    X(385, GET_FREE_ARRAY_PARTITIONS) \
    X(386, GET_KNOWN_HOSTS) \
    X(387, CHANGE_HOSTWARDEN_TYPE) \
    X(388, RESET_LAN) \
    X(390, GET_ADV_NETWORK_INTF) \
    X(391, SET_ADV_NETWORK_INTF) \
    X(392, GET_ADV_ENVIRONMENTALS) \
    X(393, ADD_HOST_NICKNAME) \
    X(394, GET_HOST_NICKNAMES) \
    X(395, GET_DRIVE_ERROR_STATS) \
    X(396, RESERVED_396) \
    X(397, RESERVED_397) \
    X(398, MODEL_SPECIFIC) \
    X(399, FORCE_CRITICAL_ERROR) \
    X(400, PUT_OFFLINE) \
    X(401, PUT_ONLINE) \
    X(402, FORCE_OFFLINE) \
    X(403, FORCE_ONLINE) \
    X(404, SET_ARRAY_PARTITION_CACHE_PARAMS) \
    X(405, GET_DEBUG_DATA) \
    X(406, LOG_EVENT) \
    X(407, GET_DRIVE_ENCLOSURES) \
    X(408, SET_DRIVE_ENCLOSURE) \
    X(409, COMMAND_ALREADY_ACTIVE) \
    X(410, WRITE_BUFFER) \
    X(411, READ_BUFFER) \
    X(412, ARRAY_DEQUARANTINE) \
    X(413, GET_MULTIPLE_EVENTS) \
    X(414, GET_ARRAY_PARTITION_STATS) \
    X(415, GET_ARRAY_STATS) \
    X(416, SCRUB_ARRAY_START)
// clang-format on

#define CAPI_DEFINE_REPLY_CONSTANT(code, name) inline constexpr uint32_t CAPI_REPLY_##name = code;
CAPI_REPLY_LIST(CAPI_DEFINE_REPLY_CONSTANT)
#undef CAPI_DEFINE_REPLY_CONSTANT

inline constexpr uint32_t CAPI_REPLY_FIRST_CLASSIC = 300;
inline constexpr uint32_t CAPI_REPLY_LAST_CLASSIC = 416;
// Distance between a unified command and its reply.
inline constexpr uint32_t CAPI_UNIFIED_REPLY_OFFSET = 1000;

#define CAPI_DEFINE_UNIFIED_REPLY_CONSTANT(code, name, padding) \
    inline constexpr uint32_t CAPI_REPLY_##name = static_cast<uint32_t>(code) + CAPI_UNIFIED_REPLY_OFFSET;
CAPI_UNIFIED_COMMAND_LIST(CAPI_DEFINE_UNIFIED_REPLY_CONSTANT)
#undef CAPI_DEFINE_UNIFIED_REPLY_CONSTANT

// The reply to U_CREATE_ARRAY carries the new array's identity.
inline constexpr uint32_t CAPI_REPLY_U_CREATE_ARRAY_START = CAPI_REPLY_U_CREATE_ARRAY;
// The last part of a multi-part reply answers the next-part command.
inline constexpr uint32_t CAPI_REPLY_NEXT_PART =
    static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART) + CAPI_UNIFIED_REPLY_OFFSET;
// The authentication-database replies, named after their commands' wrappers: the commands (1289 to
// 1296) lie past the unified commands that have names of their own.
inline constexpr uint32_t CAPI_REPLY_U_AUTHDB_GET_RECORD_COUNT = 1289 + CAPI_UNIFIED_REPLY_OFFSET;
inline constexpr uint32_t CAPI_REPLY_U_AUTHDB_GET_RECORD = 1294 + CAPI_UNIFIED_REPLY_OFFSET;
inline constexpr uint32_t CAPI_REPLY_U_COMMAND_1295 = 1295 + CAPI_UNIFIED_REPLY_OFFSET;
// Replies to unified commands that have no name in the command list: the unified partition records of
// GetPartitionData, and the paged-storage pools and the components of one pool.
inline constexpr uint32_t CAPI_REPLY_U_GET_VOLUME_DATA = 1081 + CAPI_UNIFIED_REPLY_OFFSET;
inline constexpr uint32_t CAPI_REPLY_U_GET_PS_POOLS = 1354 + CAPI_UNIFIED_REPLY_OFFSET;
inline constexpr uint32_t CAPI_REPLY_U_GET_PS_POOL_COMPONENTS = 1355 + CAPI_UNIFIED_REPLY_OFFSET;
