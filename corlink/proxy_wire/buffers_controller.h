// The buffers of the controller commands: the controller list and data, storage systems and passwords,
// the controller's settings, time, restarts and re-initialisation, and the proxy's own version and
// discovery flag. Bytes 0-7 are the head; most buffers carry the client's controller id at 8.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_handle.h"
#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/reply_head.h"
#include "corlink/proxy_wire/storage_system_record.h"

// The request of the commands that name their controller in the first word: GET_CONTROLLER and the list
// commands GET_ARRAY_LIST, GET_ARRAY_PARTITION, GET_DRIVE_LIST and GET_DRIVE_ENCLOSURES.
// clang-format off
#define RRE_CONTROLLER_ID_REQUEST_ROWS(F, S) \
    F(S,     0, controllerId,       uint32_t,                  1, BigEndian)
// clang-format on
RRE_BUFFER(RRE_CONTROLLER_ID_REQUEST, 4)

// The start shared by every buffer that carries the client's controller id after the head.
// clang-format off
#define RRE_ID_HEAD_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_ID_HEAD, 12)

// One storage system of GET_CONTROLLERHANDLEDB: its UniqueSN and the client ids of its two controllers
// (0 for a missing side).
// clang-format off
#define RRE_HANDLE_DB_RECORD_FIELDS(F, S) \
    F(S,     0, UniqueSN,           char,                     32, Chars, No,  nullptr, None) \
    F(S,    32, controllerIdA,      uint32_t,                  1, U32,   No,  nullptr, None) \
    F(S,    36, controllerIdB,      uint32_t,                  1, U32,   No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_HANDLE_DB_RECORD, 40)

constexpr uint32_t RRE_HANDLE_DB_MAX_RECORDS = 64;

// GET_CONTROLLERHANDLEDB (0): a rediscovery first when asked; written big-endian by the proxy.
// clang-format off
#define RRE_HANDLE_DB_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, recordCount,        uint32_t,                  1, BigEndian) \
    F(S,    12, rediscover,         uint8_t,                   1, Host)      \
    F(S,    13, reserved13,         uint8_t,                   3, Host)      \
    F(S,    16, records,            RRE_HANDLE_DB_RECORD,     64, BigEndian)
// clang-format on
RRE_BUFFER(RRE_HANDLE_DB_BUFFER, 2576)
// The request a client sends: the head and the rediscover flag; the bytes after it up to this length carry
// no meaning.
constexpr uint32_t RRE_HANDLE_DB_REQUEST_LENGTH = 40;
static_assert(RRE_HANDLE_DB_REQUEST_LENGTH > offsetof(RRE_HANDLE_DB_BUFFER, rediscover));

// GET_STORAGESYSTEMS (96): the count, then the table of storage systems.
// clang-format off
#define RRE_STORAGE_SYSTEMS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, unused8,            uint32_t,                  1, Host) \
    F(S,    12, systemCount,        uint32_t,                  1, Net)  \
    F(S,    16, systems,            STORAGE_SYSTEM,           64, Net)
// clang-format on
RRE_BUFFER(RRE_STORAGE_SYSTEMS_BUFFER, 25104)
static_assert(STORAGE_SYSTEM_TABLE_SIZE == 64);

// VERIFY_PASSWORD (97) and SET_PASSWORD (98): a storage system's UniqueSN and a password, NUL-padded.
// clang-format off
#define RRE_PASSWORD_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, unused8,            uint8_t,                   4, Host) \
    F(S,    12, UniqueSN,           char,                     32, Host) \
    F(S,    44, password,           char,                     32, Host)
// clang-format on
RRE_BUFFER(RRE_PASSWORD_BUFFER, 76)

// GET_NEED_UPDATE_CONTROLLER (108): the storage system's UniqueSN; the answer byte is 1 when a controller
// of it was re-read.
// clang-format off
#define RRE_NEED_UPDATE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, UniqueSN,           char,                     32, Host) \
    F(S,    40, answer,             uint8_t,                   1, Host) \
    F(S,    41, reserved41,         uint8_t,                  15, Host)
// clang-format on
RRE_BUFFER(RRE_NEED_UPDATE_BUFFER, 56)

// GET_UNIFIED_CONTROLLER_DATA (109).
// clang-format off
#define RRE_UNIFIED_CONTROLLER_DATA_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, controller,         CAPI_UNIFIED_CONTROLLER,   1, Net)  \
    F(S, 55744, reserved55744,      uint8_t,                   4, Host)
// clang-format on
RRE_BUFFER(RRE_UNIFIED_CONTROLLER_DATA_BUFFER, 55748)

// SET_DISCOVERY_FLAG (106): the flag's new value; the head is written big-endian by the proxy.
// clang-format off
#define RRE_DISCOVERY_FLAG_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, flag,               uint8_t,                   1, Host)      \
    F(S,     9, reserved9,          uint8_t,                   3, Host)
// clang-format on
RRE_BUFFER(RRE_DISCOVERY_FLAG_BUFFER, 12)

// GET_VERSION (11): the version bytes and two texts of the host, NUL-terminated.
// clang-format off
#define RRE_VERSION_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, version,            uint8_t,                   4, Host)      \
    F(S,    12, systemText,         char,                     32, Host)      \
    F(S,    44, processorText,      char,                     32, Host)
// clang-format on
RRE_BUFFER(RRE_VERSION_BUFFER, 76)

// SILENCE_ALARM (23), the rescan of all buses (105) and FREE_ORPHAN_DATA (101): a word not used.
// clang-format off
#define RRE_CONTROLLER_WORD_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, unused12,           uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_CONTROLLER_WORD_BUFFER, 16)

// SET_ADV_NET_INTERFACE (29): what to set (bit 0 the system name, bit 1 the addresses) and the values.
// clang-format off
#define RRE_ADV_NET_INTERFACE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, what,               uint32_t,                  1, Net)  \
    F(S,    16, networkInterface,   CAPI_ADVANCED_NETWORK_INTERFACE, 1, Net)
// clang-format on
RRE_BUFFER(RRE_ADV_NET_INTERFACE_BUFFER, 3988)

// SET_CHANNEL_PARAM (82): param1 of the controller command, the channel and its parameters.
// clang-format off
#define RRE_CHANNEL_PARAM_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, param1,             uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, channel,            uint32_t,                  1, Net)  \
    F(S,    20, params,             CAPI_CHANNEL_PARAMS,       1, Net)
// clang-format on
RRE_BUFFER(RRE_CHANNEL_PARAM_BUFFER, 248)

// SET_DRIVE_ENCLOSURE (84): the parameters, whose first bytes name the enclosure.
// clang-format off
#define RRE_DRIVE_ENCLOSURE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_DRIVE_ENCLOSURE_PARAMS, 1, Net)
// clang-format on
RRE_BUFFER(RRE_DRIVE_ENCLOSURE_BUFFER, 416)

// REBOOT_CONTROLLER (85): which half restarts (its failoverId, or 2 for both); the reply's controller id
// is the one of the controller rediscovered.
// clang-format off
#define RRE_REBOOT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, which,              uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host)
// clang-format on
RRE_BUFFER(RRE_REBOOT_BUFFER, 16)

// SHUTDOWN_CONTROLLER (87): which half, and a second byte for the controller command.
// clang-format off
#define RRE_SHUTDOWN_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, which,              uint8_t,                   1, Host) \
    F(S,    13, reserved13,         uint8_t,                   3, Host) \
    F(S,    16, param2,             uint8_t,                   1, Host) \
    F(S,    17, reserved17,         uint8_t,                   3, Host)
// clang-format on
RRE_BUFFER(RRE_SHUTDOWN_BUFFER, 20)

// SET_CONTROLLERTIMEDATE (90) and GET_CONTROLLERTIMEDATE (91): the controller's time.
// clang-format off
#define RRE_TIME_DATE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, timeDate,           uint32_t,                  1, Net)
// clang-format on
RRE_BUFFER(RRE_TIME_DATE_BUFFER, 20)

// GET_CONTROLLER_STATUS (102): the reply's controller state byte.
// clang-format off
#define RRE_CONTROLLER_STATUS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, state,              uint8_t,                   1, Host) \
    F(S,    17, reserved17,         uint8_t,                   3, Host)
// clang-format on
RRE_BUFFER(RRE_CONTROLLER_STATUS_BUFFER, 20)

// SET_CONTROLLER_PARAMS (94): the parameters, sent unchanged.
// clang-format off
#define RRE_CONTROLLER_PARAMS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, params,             CAPI_UNIFIED_PARAMS,       1, Net)
// clang-format on
RRE_BUFFER(RRE_CONTROLLER_PARAMS_BUFFER, 10740)

// SET_ENCLOSUREFEATUREFLAGS (95): the new enclosure feature flags.
// clang-format off
#define RRE_FEATURE_FLAGS_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, flags,              uint32_t,                  1, Net)  \
    F(S,    20, reserved20,         uint8_t,                  80, Host)
// clang-format on
RRE_BUFFER(RRE_FEATURE_FLAGS_BUFFER, 100)

// A file name of the file-transfer and re-initialisation commands, NUL-terminated, relative to the
// install directory.
// clang-format off
#define RRE_FILE_NAME_FIELDS(F, S) \
    F(S,     0, text,               char,                    512, Chars, No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_FILE_NAME, 512)

constexpr uint32_t RRE_REINIT_MAX_FILES = 32;

// REINIT_CONTROLLER (100): the files deleted with the storage system's own, at most 32.
// clang-format off
#define RRE_REINIT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)  \
    F(S,     8, controllerId,       uint32_t,                  1, Net)  \
    F(S,    12, reserved12,         uint8_t,                   4, Host) \
    F(S,    16, fileCount,          uint32_t,                  1, Net)  \
    F(S,    20, fileNames,          RRE_FILE_NAME,            32, Host)
// clang-format on
RRE_BUFFER(RRE_REINIT_BUFFER, 16404)
