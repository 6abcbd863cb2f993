// The buffers of the array and partition commands: the lists, names, creation, expansion and deletion,
// the settings of one array or partition, and its utility's progress. Bytes 0-7 are the head, 8-11 the
// client's controller id unless a row says otherwise.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/reply_head.h"

constexpr uint32_t RRE_ARRAY_LIST_CAPACITY = 128;  // a controller's arrays

// GET_ARRAY_LIST (4) reply; the request is an RRE_CONTROLLER_ID_REQUEST.
// clang-format off
#define RRE_ARRAY_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)   \
    F(S,     8, reserved8,          uint32_t,                  1, Net)   \
    F(S,    12, arrayCount,         uint32_t,                  1, Count) \
    F(S,    16, arrays,             CAPI_ARRAY,              128, List(arrayCount))
// clang-format on
RRE_BUFFER(RRE_ARRAY_LIST_BUFFER, 16 + 128 * 1604)

// As many partition records as a 4 MiB session buffer holds.
constexpr uint32_t RRE_PARTITION_LIST_CAPACITY = 7384;

// GET_ARRAY_PARTITION (2) reply, written big-endian by the proxy; the request is an
// RRE_CONTROLLER_ID_REQUEST. The records travel as they are.
// clang-format off
#define RRE_PARTITION_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, controllerIndex,    uint32_t,                  1, BigEndian) \
    F(S,    12, partitionCount,     uint32_t,                  1, BigEndian) \
    F(S,    16, partitions,         CAPI_ARRAY_PARTITION,   7384, Host)
// clang-format on
RRE_BUFFER(RRE_PARTITION_LIST_BUFFER, 16 + 7384 * 568)

// One array or partition named by its serial number at 16, and the command's byte at 12: the new LUN of
// CHANGE_PART_LUN (30), non-zero for VERIFY_ARRAY (86) and to start BLINK_DRIVE (20); not used by
// DELETE_PART (15), RESET_SNAPSHOT (59) and REVIVE_ARRAY (103).
// clang-format off
#define RRE_OBJECT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, option,             uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, serialNumber,       uint8_t,                  32, Host)
// clang-format on
RRE_BUFFER(RRE_OBJECT_BUFFER, 48)

// FREE_CACHE (22) and DELETE_ARRAY (24): the object's serial number after a word not used.
// clang-format off
#define RRE_FREE_CACHE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, serialNumber,       uint8_t,                  32, Host)
// clang-format on
RRE_BUFFER(RRE_FREE_CACHE_BUFFER, 48)

// ABORT_UTILITY (27) and FLUSH_CACHE (21): the object's serial number at 12.
// clang-format off
#define RRE_SERIAL_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, serialNumber,       uint8_t,                  32, Host)
// clang-format on
RRE_BUFFER(RRE_SERIAL_BUFFER, 44)

// SET_PREFERRED_OWNER (92): the array's serial number.
// clang-format off
#define RRE_PREFERRED_OWNER_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, serialNumber,       uint8_t,                  32, Host) \
    F(S,    44, reserved44,         uint8_t,                   4, Host)
// clang-format on
RRE_BUFFER(RRE_PREFERRED_OWNER_BUFFER, 48)

// GET_PERCENT_COMPLETED (28): the array's serial number; the reply's percentage, at most 100.
// clang-format off
#define RRE_PERCENT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, serialNumber,       uint8_t,                  32, Host) \
    F(S,    44, percent,            uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_PERCENT_BUFFER, 48)

// SET_PART_NAME (12) and SET_ARRAY_NAME (13): the object's serial number and its new name.
// clang-format off
#define RRE_SET_NAME_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, serialNumber,       uint8_t,                  32, Host) \
    F(S,    48, name,               char,                     32, Host)
// clang-format on
RRE_BUFFER(RRE_SET_NAME_BUFFER, 80)

// ADD_ARRAY_PART (14): the new partition's values, the array to carve it from; the reply's record of the
// new partition.
// clang-format off
#define RRE_ADD_ARRAY_PART_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, lun,                uint32_t,                  1, Net)  \
    F(S,    16, size,               CAPI_U64,                  1, Net)  \
    F(S,    24, specialClass,       uint8_t,                   1, Host) \
    F(S,    25, specialType,        uint8_t,                   1, Host) \
    F(S,    26, isPaged,            uint8_t,                   1, Host) \
    F(S,    27, reserved27,         uint8_t,                   5, Host) \
    F(S,    32, arraySerialNumber,  uint8_t,                  32, Host) \
    F(S,    64, partitionSerialNumber, uint8_t,               32, Host) \
    F(S,    96, partitionParameter, uint8_t,                  32, Host) \
    F(S,   128, name,               char,                     32, Host) \
    F(S,   160, partition,          CAPI_ARRAY_PARTITION,      1, Net)
// clang-format on
RRE_BUFFER(RRE_ADD_ARRAY_PART_BUFFER, 728)

// CREATE_ARRAY (16): the create parameters; the reply's record of the new array.
// clang-format off
#define RRE_CREATE_ARRAY_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, params,             CAPI_UNIFIED_CREATE_ARRAY_PARAMS, 1, Net) \
    F(S,  2944, array,              CAPI_ARRAY,                1, Net)
// clang-format on
RRE_BUFFER(RRE_CREATE_ARRAY_BUFFER, 4548)

constexpr uint32_t RRE_EXPAND_MAX_DRIVES = 68;

// EXPAND_ARRAY (18): the array, and the locations of the drives to add to it.
// clang-format off
#define RRE_EXPAND_ARRAY_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, driveCount,         uint32_t,                  1, Net)  \
    F(S,    16, serialNumber,       uint8_t,                  32, Host) \
    F(S,    48, drives,             CAPI_DRIVE_LOCATION,      68, Net)
// clang-format on
RRE_BUFFER(RRE_EXPAND_ARRAY_BUFFER, 592)

// EXPAND_PART (17): the partition's parameters, sent unchanged.
// clang-format off
#define RRE_EXPAND_PART_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, params,             CAPI_ARRAY_PARTITION_PARAMS, 1, Net)
// clang-format on
RRE_BUFFER(RRE_EXPAND_PART_BUFFER, 312)

// CONVERT_MASTER_VOLUME (61): the partition's parameters, sent unchanged.
// clang-format off
#define RRE_CONVERT_MASTER_VOLUME_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_ARRAY_PARTITION_PARAMS, 1, Net)
// clang-format on
RRE_BUFFER(RRE_CONVERT_MASTER_VOLUME_BUFFER, 312)

// CHANGE_PARTITION_DESCRIPTION (126): the partition's serial number, the description and its length, in
// the shape of partition parameters that travel in host order.
// clang-format off
#define RRE_DESCRIPTION_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_ARRAY_PARTITION_PARAMS, 1, Host)
// clang-format on
RRE_BUFFER(RRE_DESCRIPTION_BUFFER, 312)

// SET_ARRAY_BACKOFFPERCENT (104): the storage system by its UniqueSN, no controller id.
// clang-format off
#define RRE_BACKOFF_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, unused8,            uint32_t,                  1, Host) \
    F(S,    12, UniqueSN,           char,                     32, Host) \
    F(S,    44, percent,            uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_BACKOFF_BUFFER, 48)
