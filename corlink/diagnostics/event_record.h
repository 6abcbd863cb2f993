// Read-only access to the fields of a controller event record, by byte offset. Texts read from the
// record end at their first NUL and never extend past the record's 156 bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "corlink/capi_wire/capi_event.h"

class EventRecord {
  public:
    static constexpr size_t kSize = sizeof(CAPI_EVENT_RECORD);

    // Byte offsets of the fields the event texts read.
    static constexpr size_t kCode = 8;
    static constexpr size_t kStatus = 12;
    static constexpr size_t kNameTail = 18;      // characters 31-32 of the object name
    static constexpr size_t kUnitSelector = 24;  // -1: the event names a drive
    static constexpr size_t kChannel = 28;
    static constexpr size_t kLoopId = 36;
    static constexpr size_t kParams = 40;
    static constexpr size_t kText = 56;  // drive serial, firmware version, old name, thread name
    static constexpr size_t kEnclosureInfo = 64;
    static constexpr size_t kBaselevel = 72;
    static constexpr size_t kSerial = 88;  // serial number of the Vdisk or volume
    static constexpr size_t kSerialSize = 32;
    static constexpr size_t kName = 120;  // characters 1-20 of the object name, or a CDB
    static constexpr size_t kNewLun = 140;
    static constexpr size_t kEthernetController = 144;
    static constexpr size_t kMoreErrors = 145;
    static constexpr size_t kNameMiddle = 146;  // characters 21-30 of the object name

    explicit EventRecord(const CAPI_EVENT_RECORD& record) { std::memcpy(bytes_, &record, kSize); }

    const uint8_t* Bytes(size_t offset) const { return bytes_ + offset; }
    uint8_t Byte(size_t offset) const { return bytes_[offset]; }
    uint32_t U32(size_t offset) const {
        uint32_t value;
        std::memcpy(&value, bytes_ + offset, sizeof(value));
        return value;
    }

    uint32_t Code() const { return U32(kCode); }
    uint32_t Status() const { return U32(kStatus); }
    uint32_t Channel() const { return U32(kChannel); }
    uint32_t LoopId() const { return U32(kLoopId); }
    uint32_t UnitSelector() const { return U32(kUnitSelector); }
    // Parameters 1 to 4.
    uint32_t P(int n) const { return U32(kParams + 4 * static_cast<size_t>(n - 1)); }
    uint32_t NewLun() const { return U32(kNewLun); }

    // The NUL-terminated text at `offset`, at most `maxLength` characters, never past the record.
    std::string Text(size_t offset, size_t maxLength = kSize) const {
        const size_t room = offset < kSize ? kSize - offset : 0;
        const auto* start = reinterpret_cast<const char*>(bytes_ + offset);
        return std::string(start, strnlen(start, room < maxLength ? room : maxLength));
    }

    // The event's object name: characters 1-20, 21-30 and 31-32 as stored, up to the first NUL.
    bool HasObjectName() const { return bytes_[kName] != 0; }
    std::string ObjectName() const {
        char name[32];
        std::memcpy(name, bytes_ + kName, 20);
        std::memcpy(name + 20, bytes_ + kNameMiddle, 10);
        std::memcpy(name + 30, bytes_ + kNameTail, 2);
        return std::string(name, strnlen(name, sizeof(name)));
    }

    // The record with its object name removed (byte 120 cleared).
    EventRecord WithoutObjectName() const {
        EventRecord copy = *this;
        copy.bytes_[kName] = 0;
        return copy;
    }

    bool IsZero(size_t offset, size_t count) const {
        for (size_t i = 0; i < count; ++i) {
            if (bytes_[offset + i] != 0) return false;
        }
        return true;
    }

  private:
    uint8_t bytes_[kSize];
};
