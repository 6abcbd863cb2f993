// Display texts of controller events.
#pragma once

#include <cstdint>

struct CAPI_EVENT_RECORD;

constexpr uint32_t EVENT_TEXT_BUFFER_SIZE = 256;

// Writes the event's display text, NUL-terminated and at most 249 characters, into a zeroed buffer of
// EVENT_TEXT_BUFFER_SIZE bytes; returns its length. Until the event texts are built every event has an
// empty text.
uint16_t FormatEventText(char* text, const CAPI_EVENT_RECORD* record);
