// The rows of the event texts: one per event code, either a format with the kinds of its arguments
// (the regular rows) or a function that chooses among formats by the record's contents.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "corlink/diagnostics/event_record.h"

struct RAID_CONTROLLER;

// One event being formatted: the record and its controller's database entry (null when missing).
struct EventContext {
    const EventRecord& record;
    const RAID_CONTROLLER* controller;

    uint32_t P(int n) const { return record.P(n); }
    uint32_t Status() const { return record.Status(); }
    uint32_t Channel() const { return record.Channel(); }
    // The record names no drive position (channel or loop ID unknown).
    bool DriveUnknown() const;

    // The texts that rows take as arguments.
    std::string Vdisk() const;      // the Vdisk's name
    std::string Serial() const;     // the Vdisk or volume serial number in hexadecimal
    std::string Drive() const;      // "SN: " and the drive serial number
    std::string Where() const;      // "Channel:%d LoopID:%d"
    std::string Volume() const;     // Vdisk, volume and serial number of a volume
    std::string DriveSlot() const;  // the drive serial with its enclosure and slot
    std::string Wwn() const;        // the enclosure WWN of an enclosure event
    std::string Name() const;       // the record's object name
};

// The kinds of argument a regular row takes.
enum class EventArg : uint8_t {
    None,
    Vdisk,
    Serial,
    Drive,
    Where,
    Volume,
    Wwn,
    Name,
    P1,
    P2,
    P3,
    P4,
    P2Plus1,
    Status,
    Channel,
    Lun,
    T56,
    T64,
    PluralP1,
    PluralP2,
    PluralP3,  // "" when the parameter is 1, else "s"
    Ctrl,
    Fru,
    FruStatus,
    BatteryStatus,
    BatteryState,
    ConfigReason,
    Utility,
    FailoverReason,
    SenseKey,
    AscOfP2P3,
    ShutdownType,
};

struct EventRow {
    uint32_t code;
    const char* format;
    std::array<EventArg, 8> args;  // in the order the format consumes them; None after the last
};

std::span<const EventRow> RegularEventRows();
std::string FormatEventRow(const EventRow& row, const EventContext& event);

struct ConditionalEventRow {
    uint32_t code;
    std::string (*text)(const EventContext& event);
};

// Rows that choose their format by the record's contents, or build their text from several parts.
std::span<const ConditionalEventRow> ConditionalEventRows();
std::span<const ConditionalEventRow> ComposedEventRows();
