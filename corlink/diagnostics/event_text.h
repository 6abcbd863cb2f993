// Display texts of controller events.
#pragma once

#include <cstdint>
#include <string>

struct CAPI_EVENT_RECORD;
struct RAID_CONTROLLER;

constexpr uint32_t EVENT_TEXT_BUFFER_SIZE = 256;
// The longest text an event gets; a longer one is cut.
constexpr size_t EVENT_TEXT_MAX_LENGTH = 249;
// A text this long or longer is not shown at all (reported on standard output instead).
constexpr size_t EVENT_TEXT_REFUSED_LENGTH = 500;

// The whole display text of an event. `controller` is the database entry of the event's controller,
// where its Vdisk, volume, drive and enclosure names come from; null when there is none.
std::string ComposeEventText(const CAPI_EVENT_RECORD& record, const RAID_CONTROLLER* controller);

// The text as an event reply carries it: cut to EVENT_TEXT_MAX_LENGTH characters, or empty (with three
// "QQQ:ERROR" lines on standard output) when it reaches EVENT_TEXT_REFUSED_LENGTH.
std::string FitEventText(const std::string& text, uint32_t code);

// ComposeEventText, fitted.
std::string FormatEventText(const CAPI_EVENT_RECORD& record, const RAID_CONTROLLER* controller);
