// GET_EVENT: a controller's events, each returned with its display text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/capi_event.h"
#include "corlink/database/event_buffer.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/buffers_events.h"

// One entry of the reply: the record, then its NUL-terminated text.
constexpr uint32_t EVENT_ENTRY_TEXT_SIZE = sizeof(RRE_EVENT_ENTRY::text);
constexpr uint32_t EVENT_ENTRY_SIZE = sizeof(RRE_EVENT_ENTRY);
constexpr uint32_t EVENT_REPLY_ENTRIES_AT = offsetof(RRE_EVENT_BUFFER, entries);
static_assert(EVENT_BUFFER_MAX_RECORDS == RRE_EVENT_CAPACITY);

// Writes entry i for each of the first `count` records: a record whose sequence number is 0 leaves its entry
// as it is; any other record is copied, followed by its text, or by an empty text when its controller is not
// in the database (reported on the console).
void FormatEvents(uint32_t count, const CAPI_EVENT_RECORD* records, uint8_t* entries);

// Writes the event's display text, NUL-terminated and at most 249 characters, into a zeroed buffer of
// EVENT_TEXT_BUFFER_SIZE bytes and returns its length (0 when nothing was written). The controller is
// the database entry that the record's address maps to; the caller holds the state-change mutex.
uint16_t FormatEventText(char* text, const CAPI_EVENT_RECORD* record);

extern const FramedCommand kGetEvent;
