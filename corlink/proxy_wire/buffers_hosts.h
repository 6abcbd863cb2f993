// The buffers of the host, nickname, host adapter, partition view, custom view and iSCSI authentication
// commands. Bytes 0-7 are the head, 8-11 the client's controller id unless a row says otherwise.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/reply_head.h"

constexpr uint32_t RRE_INITIATOR_NAME_SIZE = 224;

// GET_HOST_VIEW (73): the A/B selector, a value and the host port; the reply's host view.
// clang-format off
#define RRE_HOST_VIEW_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, selector,           uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   7, Host) \
    F(S,    20, value,              uint32_t,                  1, Net)  \
    F(S,    24, identity,           CAPI_FLEX_ID,              1, Net)  \
    F(S,    72, initiatorName,      char,                    224, Host) \
    F(S,   296, view,               CAPI_HOST_VIEW_TABLE,      1, Net)
// clang-format on
RRE_BUFFER(RRE_HOST_VIEW_BUFFER, 64824)

// ADD_HOST_NICK_NAME (74): the host port and its nickname.
// clang-format off
#define RRE_ADD_NICKNAME_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, identity,           CAPI_FLEX_ID,              1, Net)  \
    F(S,    64, nickname,           uint8_t,                  16, Host) \
    F(S,    80, initiatorName,      char,                    224, Host)
// clang-format on
RRE_BUFFER(RRE_ADD_NICKNAME_BUFFER, 304)

// GET_HOST_NICK_NAMES (75): the reply's nickname list.
// clang-format off
#define RRE_NICKNAMES_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, nicknames,          CAPI_HOST_NICKNAME_LIST,   1, Net)
// clang-format on
RRE_BUFFER(RRE_NICKNAMES_BUFFER, 26964)

// GET_KNOWN_HOSTS (76): the reply's known-host list.
// clang-format off
#define RRE_KNOWN_HOSTS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, hosts,              CAPI_KNOWN_HOST_LIST,      1, Net)
// clang-format on
RRE_BUFFER(RRE_KNOWN_HOSTS_BUFFER, 12596)

// GET_FLEX_KNOWN_HOSTS (119): the reply's host list.
// clang-format off
#define RRE_FLEX_HOSTS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, hosts,              CAPI_FLEX_HOST_LIST,       1, Net)
// clang-format on
RRE_BUFFER(RRE_FLEX_HOSTS_BUFFER, 63576)

constexpr uint32_t RRE_PORT_NAME_SIZE = 8;
constexpr uint32_t RRE_PORT_NAME_CAPACITY = 32;

// The host's SAS port names: their count, then the names.
// clang-format off
#define RRE_PORT_NAME_LIST_FIELDS(F, S) \
    F(S,     0, count,              uint32_t,                  1, U32,   Yes, nullptr, None) \
    F(S,     4, names,              uint8_t,                 256, Bytes, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_PORT_NAME_LIST, 260)

// GET_CONNECT_HBA_WWPN_LIST (123): the reply's port names.
// clang-format off
#define RRE_WWPN_LIST_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, ports,              RRE_PORT_NAME_LIST,        1, Net)  \
    F(S,   272, reserved272,        uint8_t,                   4, Host)
// clang-format on
RRE_BUFFER(RRE_WWPN_LIST_BUFFER, 276)

// The host adapter list as GET_CONNECT_HBA_INFO_LIST carries it: the count (converted in the controller
// id's place), then 32 adapter records in host order.
// clang-format off
#define RRE_HBA_LIST_FIELDS(F, S) \
    F(S,     0, count,              uint32_t,                  1, U32,   Yes, nullptr, None) \
    F(S,     4, entries,            uint8_t,               58112, Bytes, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_HBA_LIST, 58116)

// GET_CONNECT_HBA_INFO_LIST (125): the reply's adapter list, over the controller id.
// clang-format off
#define RRE_HBA_INFO_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, adapters,           RRE_HBA_LIST,              1, Net)  \
    F(S, 58124, reserved58124,      uint8_t,                   4, Host)
// clang-format on
RRE_BUFFER(RRE_HBA_INFO_BUFFER, 58128)

// GET_PARTITION_VIEW (70): the partition; the reply's view of it.
// clang-format off
#define RRE_PARTITION_VIEW_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)  \
    F(S,    16, serialNumber,       uint8_t,                  32, Host) \
    F(S,    48, view,               CAPI_PARTITION_VIEW_TABLE, 1, Net)
// clang-format on
RRE_BUFFER(RRE_PARTITION_VIEW_BUFFER, 37456)

constexpr uint32_t RRE_ALL_VIEWS_CAPACITY = 112;  // the views a 4 MiB session buffer holds

// GET_ALL_PART_VIEW (72): the reply's views of every partition, and 32 bytes after the last one.
// clang-format off
#define RRE_ALL_VIEWS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)   \
    F(S,     8, controllerId,       uint32_t,                  1, Net)   \
    F(S,    12, viewCount,          uint32_t,                  1, Count) \
    F(S,    16, views,              CAPI_PARTITION_VIEW_TABLE, 112, List(viewCount)) \
    F(S, 4189712, tail,             uint8_t,                  32, Host)
// clang-format on
RRE_BUFFER(RRE_ALL_VIEWS_BUFFER, 48 + 112 * 37408)

constexpr uint32_t RRE_CUSTOM_VIEW_CHANNELS = 8;

// One mapping request of CREATE_CUSTOM_VIEW, in host order: the controller, which channels keep the
// request's flags byte (1), the partition (its first 16 bytes name it), the host port and the mapping.
// clang-format off
#define RRE_CUSTOM_VIEW_REQUEST_FIELDS(F, S) \
    F(S,     0, controllerId,       uint32_t,                  1, U32,    No, nullptr, None) \
    F(S,     4, keepMarkers,        uint8_t,                   8, Bytes,  No, nullptr, None) \
    F(S,    12, mapOptions,         uint32_t,                  1, U32,    No, nullptr, None) \
    F(S,    16, serialNumber,       uint8_t,                  32, Bytes,  No, nullptr, None) \
    F(S,    48, identity,           CAPI_FLEX_ID,              1, Struct, No, nullptr, None) \
    F(S,    96, mapping,            CAPI_PARTITION_MAP,        1, Struct, No, nullptr, None) \
    F(S,   108, initiatorName,      char,                    224, Chars,  No, nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_CUSTOM_VIEW_REQUEST, 332)

constexpr uint32_t RRE_CUSTOM_VIEW_MAX_REQUESTS = 128;

// CREATE_CUSTOM_VIEW (71): the mapping requests and their count, no controller id.
// clang-format off
#define RRE_CUSTOM_VIEW_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, requestCount,       uint32_t,                  1, Host) \
    F(S,    12, requests,           RRE_CUSTOM_VIEW_REQUEST, 128, Host)
// clang-format on
RRE_BUFFER(RRE_CUSTOM_VIEW_BUFFER, 42508)

// The iSCSI authentication commands (110-118): one record; the reply's record count in a byte.
// clang-format off
#define RRE_AUTHDB_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, recordCount,        uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, record,             CAPI_AUTHDB_RECORD,        1, Net)
// clang-format on
RRE_BUFFER(RRE_AUTHDB_BUFFER, 1036)
