// The buffers of the drive, cache, maintenance, progress and enclosure commands. Bytes 0-7 are the head,
// 8-11 the client's controller id unless a row says otherwise.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_handle.h"
#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/reply_head.h"

constexpr uint32_t RRE_DRIVE_LIST_CAPACITY = 250;  // a controller's drives

// GET_DRIVE_LIST (5) reply; the request is an RRE_CONTROLLER_ID_REQUEST.
// clang-format off
#define RRE_DRIVE_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)   \
    F(S,     8, reserved8,          uint32_t,                  1, Net)   \
    F(S,    12, driveCount,         uint32_t,                  1, Count) \
    F(S,    16, drives,             CAPI_DRIVE,              250, ListOut(driveCount))
// clang-format on
RRE_BUFFER(RRE_DRIVE_LIST_BUFFER, 16 + 250 * 212)

// ASSIGN_POOL_SPARE (19): make (non-zero) or remove (0) a spare; a pool spare (non-zero) or one dedicated
// to the array.
// clang-format off
#define RRE_POOL_SPARE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, makeSpare,          uint8_t,                   1, Host) \
    F(S,    13, poolSpare,          uint8_t,                   1, Host) \
    F(S,    14, reserved14,         uint8_t,                   2, Host) \
    F(S,    16, arraySerialNumber,  uint8_t,                  32, Host) \
    F(S,    48, driveSerialNumber,  uint8_t,                  32, Host)
// clang-format on
RRE_BUFFER(RRE_POOL_SPARE_BUFFER, 80)

constexpr uint32_t RRE_MAINTENANCE_VALUES = 6;

// DO_SCSI_MAINTENANCE (93): the drive's channel and scsiId and four values (the six values of the
// controller command), a CDB and data with their lengths.
// clang-format off
#define RRE_SCSI_MAINTENANCE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, values,             uint32_t,                  6, Net)  \
    F(S,    36, cdb,                uint8_t,                  16, Host) \
    F(S,    52, cdbLength,          uint32_t,                  1, Net)  \
    F(S,    56, data,               uint8_t,                 512, Host) \
    F(S,   568, dataLength,         uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_SCSI_MAINTENANCE_BUFFER, 572)

// SET_PARTITION_CACHE_PARAM (80) and SET_ARRAY_CACHE_PARAM (81): the object and its cache parameters.
// clang-format off
#define RRE_CACHE_PARAM_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, serialNumber,       uint8_t,                  32, Host) \
    F(S,    48, params,             CAPI_CACHE_PARAMS,         1, Net)
// clang-format on
RRE_BUFFER(RRE_CACHE_PARAM_BUFFER, 80)

constexpr uint32_t RRE_PROGRESS_UTILITY_KINDS = 5;
constexpr uint32_t RRE_PROGRESS_ARRAYS = 128;
constexpr uint32_t RRE_PROGRESS_NOT_RUNNING = 200;

// The percentages of one utility kind, one word per array index.
// clang-format off
#define RRE_PROGRESS_TABLE_FIELDS(F, S) \
    F(S,     0, percent,            uint32_t,                128, U32,   No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_PROGRESS_TABLE, 512)

// clang-format off
#define RRE_ARRAY_SERIAL_FIELDS(F, S) \
    F(S,     0, bytes,              uint8_t,                  32, Bytes, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_ARRAY_SERIAL, 32)

// One controller database entry's utilities, every word big-endian.
// clang-format off
#define RRE_PROGRESS_RECORD_FIELDS(F, S) \
    F(S,     0, controllerHandle,   uint32_t,                  1, U32,    No, nullptr, None) \
    F(S,     4, reserved4,          uint32_t,                  1, U32,    No, nullptr, None) \
    F(S,     8, tables,             RRE_PROGRESS_TABLE,        5, Struct, No, nullptr, None) \
    F(S,  2568, serials,            RRE_ARRAY_SERIAL,        128, Struct, No, nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_PROGRESS_RECORD, 6664)

// GET_PROGRESS (3) reply, written big-endian by the proxy: one record per controller database entry. The
// request is empty.
// clang-format off
#define RRE_PROGRESS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, recordCount,        uint32_t,                  1, BigEndian) \
    F(S,    12, reserved12,         uint32_t,                  1, BigEndian) \
    F(S,    16, records,            RRE_PROGRESS_RECORD,      64, BigEndian)
// clang-format on
RRE_BUFFER(RRE_PROGRESS_BUFFER, 16 + 64 * 6664)
static_assert(CAPI_MAX_CONTROLLERS == 64);

constexpr uint32_t RRE_ENCLOSURE_CAPACITY = 16;  // a controller's enclosures

// GET_DRIVE_ENCLOSURES (6) reply, head, index and count written big-endian and the records converted by
// the proxy itself; the request is an RRE_CONTROLLER_ID_REQUEST.
// clang-format off
#define RRE_DRIVE_ENCLOSURES_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, controllerIndex,    uint32_t,                  1, BigEndian) \
    F(S,    12, enclosureCount,     uint32_t,                  1, BigEndian) \
    F(S,    16, enclosures,         CAPI_DRIVE_ENCLOSURES_STRUCT, 1, BigEndian)
// clang-format on
RRE_BUFFER(RRE_DRIVE_ENCLOSURES_BUFFER, 16 + 16 * 4072)

// GET_ADV_DRIVE_ENCLOSURE (99): the controller id in the request, 0 in the reply; all 16 records travel.
// clang-format off
#define RRE_ADV_ENCLOSURES_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, enclosureCount,     uint32_t,                  1, Net)  \
    F(S,    16, enclosures,         CAPI_ADVANCED_DRIVE_ENCLOSURE, 16, Net)
// clang-format on
RRE_BUFFER(RRE_ADV_ENCLOSURES_BUFFER, 16 + 16 * 41896)
