// The buffers of the event and file-transfer commands.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/proxy_wire/buffer_desc.h"
#include "corlink/proxy_wire/buffers_controller.h"
#include "corlink/proxy_wire/reply_head.h"

// One event of the GET_EVENT reply: the controller's record and its display text, NUL-terminated.
// clang-format off
#define RRE_EVENT_ENTRY_FIELDS(F, S) \
    F(S,     0, record,             CAPI_EVENT_RECORD,         1, Struct, Yes, nullptr, None) \
    F(S,   156, text,               char,                    256, Chars,  No,  nullptr, None)
// clang-format on
CAPI_STRUCT(RRE_EVENT_ENTRY, 412)

constexpr uint32_t RRE_EVENT_CAPACITY = 416;  // the event buffer's records

// GET_EVENT (9): which events (the first, the last, one by its sequence number or a range); the reply's
// entries and their count.
// clang-format off
#define RRE_EVENT_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, Net)   \
    F(S,     8, controllerId,       uint32_t,                  1, Net)   \
    F(S,    12, first,              uint8_t,                   1, Host)  \
    F(S,    13, last,               uint8_t,                   1, Host)  \
    F(S,    14, reserved14,         uint8_t,                   2, Host)  \
    F(S,    16, sequence,           uint32_t,                  1, Net)   \
    F(S,    20, entryCount,         uint32_t,                  1, Count) \
    F(S,    24, range,              uint32_t,                  2, Net)   \
    F(S,    32, entries,            RRE_EVENT_ENTRY,         416, List(entryCount))
// clang-format on
RRE_BUFFER(RRE_EVENT_BUFFER, 32 + 416 * 412)

constexpr uint32_t RRE_FILE_CHUNK_CAPACITY = 131072;

// EXT_MASK_READFILE (40): one chunk of a file; every word big-endian, written by the proxy. The request's
// chunk number (from 1) is answered with the file's size in the same word; the reply runs on past the
// data row with as many bytes again.
// clang-format off
#define RRE_READ_FILE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, fileName,           RRE_FILE_NAME,             1, Host)      \
    F(S,   520, chunkSize,          uint32_t,                  1, BigEndian) \
    F(S,   524, chunkNumber,        uint32_t,                  1, BigEndian) \
    F(S,   528, chunkCount,         uint32_t,                  1, BigEndian) \
    F(S,   532, chunkServed,        uint32_t,                  1, BigEndian) \
    F(S,   536, chunkBytes,         uint32_t,                  1, BigEndian) \
    F(S,   540, unused540,          uint32_t,                  1, BigEndian) \
    F(S,   544, data,               uint8_t,              131072, Host)
// clang-format on
RRE_BUFFER(RRE_READ_FILE_BUFFER, 544 + 131072)

// EXT_MASK_WRITEFILE (41): the file, the data, and whether to append (either word non-zero). The data
// may run on past the data row, as far as the request's length.
// clang-format off
#define RRE_WRITE_FILE_BUFFER_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, fileName,           RRE_FILE_NAME,             1, Host)      \
    F(S,   520, unused520,          uint32_t,                  1, BigEndian) \
    F(S,   524, append,             uint32_t,                  1, BigEndian) \
    F(S,   528, unused528,          uint32_t,                  2, BigEndian) \
    F(S,   536, dataBytes,          uint32_t,                  1, BigEndian) \
    F(S,   540, appendToo,          uint32_t,                  1, BigEndian) \
    F(S,   544, unused544,          uint32_t,                  1, BigEndian) \
    F(S,   548, data,               uint8_t,              131072, Host)
// clang-format on
RRE_BUFFER(RRE_WRITE_FILE_BUFFER, 548 + 131072)

// The EXT_MASK_WRITEFILE reply.
// clang-format off
#define RRE_WRITE_FILE_REPLY_ROWS(F, S) \
    F(S,     0, head,               RRE_HEAD,                  1, BigEndian) \
    F(S,     8, result,             uint32_t,                  1, BigEndian)
// clang-format on
RRE_BUFFER(RRE_WRITE_FILE_REPLY, 12)
