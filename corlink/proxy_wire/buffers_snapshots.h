// The buffers of the snapshot, master-volume, backing-store, rolloff and DMS commands. Bytes 0-7 are the
// head, 8-11 the client's controller id. An A/B selector is the controller's A/B value for the command.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/reply_head.h"

// CREATE_SNAPSHOT (51): the snapshots to create; the reply's list of those created.
// clang-format off
#define RRE_CREATE_SNAPSHOT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, params,             CAPI_CREATE_SNAPSHOTS_PARAMS, 1, Net) \
    F(S,   876, created,            CAPI_SNAPSHOT_ID_LIST,     1, Net)
// clang-format on
RRE_BUFFER(RRE_CREATE_SNAPSHOT_BUFFER, 1140)

// COMMIT_SNAPSHOT (52) and DELETE_SNAPSHOT (54): the snapshots to commit or delete.
// clang-format off
#define RRE_SNAPSHOT_IDS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_SNAPSHOT_ID_PARAMS,   1, Net)
// clang-format on
RRE_BUFFER(RRE_SNAPSHOT_IDS_BUFFER, 360)

// DELETE_ALL_SNAPSHOTS (53): the identifier sent with the command and its param2.
// clang-format off
#define RRE_DELETE_ALL_SNAPSHOTS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, identifier,         uint8_t,                  32, Host) \
    F(S,    44, reserved44,         uint8_t,                   7, Host) \
    F(S,    51, param2,             uint8_t,                   1, Host)
// clang-format on
RRE_BUFFER(RRE_DELETE_ALL_SNAPSHOTS_BUFFER, 52)

// GET_BACKING_STORE_LIST (55): the A/B selector; the reply's count and list.
// clang-format off
#define RRE_BACKING_STORE_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, selector,           uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, count,              uint32_t,                  1, Net)  \
    F(S,    20, reserved20,         uint8_t,                   4, Host) \
    F(S,    24, list,               CAPI_BACKING_STORE_LIST,   1, Net)
// clang-format on
RRE_BUFFER(RRE_BACKING_STORE_LIST_BUFFER, 10264)

// GET_MASTER_VOLUME_LIST (56), GET_SNAPSHOT_LIST (57), GET_SNAPSHOT_STATISTICS (58) and
// DMS_GET_POLICY_THRESHOLD_LIST (64) share one shape: the list parameter (param1 of the controller
// command), the A/B selector and the object whose list is asked for (zeros: the whole controller); the
// reply's count and the whole list.
// clang-format off
#define RRE_OBJECT_LIST_ROWS(F, S, LIST) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, listParameter,      uint8_t,                   1, Host) \
    F(S,    13, selector,           uint8_t,                   1, Host) \
    F(S,    14, reserved14,         uint8_t,                   2, Host) \
    F(S,    16, objectId,           uint8_t,                  32, Host) \
    F(S,    48, count,              uint32_t,                  1, Net)  \
    F(S,    52, reserved52,         uint8_t,                   4, Host) \
    F(S,    56, list,               LIST,                      1, Net)
// clang-format on
#define RRE_MASTER_VOLUME_LIST_BUFFER_ROWS(F, S) RRE_OBJECT_LIST_ROWS(F, S, CAPI_MASTER_VOLUME_LIST)
RRE_BUFFER(RRE_MASTER_VOLUME_LIST_BUFFER, 56 + 180224)
#define RRE_SNAPSHOT_LIST_BUFFER_ROWS(F, S) RRE_OBJECT_LIST_ROWS(F, S, CAPI_SNAPSHOT_LIST)
RRE_BUFFER(RRE_SNAPSHOT_LIST_BUFFER, 56 + 90112)
#define RRE_SNAPSHOT_STATISTICS_BUFFER_ROWS(F, S) RRE_OBJECT_LIST_ROWS(F, S, CAPI_SNAPSHOT_STATS_LIST)
RRE_BUFFER(RRE_SNAPSHOT_STATISTICS_BUFFER, 56 + 131072)
#define RRE_POLICY_LIST_BUFFER_ROWS(F, S) RRE_OBJECT_LIST_ROWS(F, S, CAPI_DMS_POLICY_LIST)
RRE_BUFFER(RRE_POLICY_LIST_BUFFER, 56 + 8192)

// ROLLBACK_MASTER_VOLUME (60): the rollback parameters, sent unchanged.
// clang-format off
#define RRE_ROLLBACK_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_ROLLBACK_PARAMS,      1, Net)
// clang-format on
RRE_BUFFER(RRE_ROLLBACK_BUFFER, 112)

// DMS_SET_POLICY (62) and DMS_SET_THRESHOLD_LEVEL (63): a snap pool's policy.
// clang-format off
#define RRE_DMS_POLICY_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, policy,             CAPI_DMS_POLICY,           1, Net)
// clang-format on
RRE_BUFFER(RRE_DMS_POLICY_BUFFER, 80)

// SET_DMS_POLICY (124): the policy at 12.
// clang-format off
#define RRE_SET_DMS_POLICY_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, policy,             CAPI_DMS_POLICY,           1, Net)
// clang-format on
RRE_BUFFER(RRE_SET_DMS_POLICY_BUFFER, 76)

// DMS_GET_TAG (50): the A/B selector; the reply's tag.
// clang-format off
#define RRE_DMS_TAG_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, selector,           uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   7, Host) \
    F(S,    20, tag,                CAPI_DMS_TAG,              1, Net)
// clang-format on
RRE_BUFFER(RRE_DMS_TAG_BUFFER, 28)

constexpr uint32_t RRE_ROLLOFF_SERIAL_SIZE = 16;

// ROLLOFF_VOLUME (120): the rolloff parameters (the source volume's serial number first); the reply's
// serial number of the rolloff volume made for it.
// clang-format off
#define RRE_ROLLOFF_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, params,             CAPI_ROLLOFF_PARAMS,       1, Net)  \
    F(S,   524, rolloffSerial,      uint8_t,                  16, Host)
// clang-format on
RRE_BUFFER(RRE_ROLLOFF_BUFFER, 540)

// ABORT_ROLLOFF_VOLUME (121): the abort record, sent unchanged.
// clang-format off
#define RRE_ABORT_ROLLOFF_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, abortRecord,        uint8_t,                 512, Host)
// clang-format on
RRE_BUFFER(RRE_ABORT_ROLLOFF_BUFFER, 524)

constexpr uint32_t RRE_ROLLOFF_LIST_CAPACITY = 2048;

// GET_ROLLOFF_VOLUME_LIST (122): the A/B selector; the reply's count and volumes, every one converted.
// clang-format off
#define RRE_ROLLOFF_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, selector,           uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, count,              uint32_t,                  1, Net)  \
    F(S,    20, list,               CAPI_ROLLOFF_VOLUME,    2048, Net)
// clang-format on
RRE_BUFFER(RRE_ROLLOFF_LIST_BUFFER, 262164)
