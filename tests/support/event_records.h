// Controller event records for tests of the event texts: a builder that places fields by byte offset,
// and one crafted record per event code 0 to 237 whose texts are in event_texts.golden (beside this
// file). The crafted texts do not depend on the controller database as long as no array or drive there
// has the serial numbers used here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "corlink/capi_wire/capi_event.h"

namespace testsupport {

class EventRecordBuilder {
  public:
    // A record with sequence number code + 1, channel 2, loop ID 17, unit 0 and everything else zero.
    explicit EventRecordBuilder(uint32_t code);

    EventRecordBuilder& Sequence(uint32_t sequence) { return U32(0, sequence); }
    EventRecordBuilder& Controller(uint32_t handle) { return U32(20, handle); }
    EventRecordBuilder& Status(uint32_t status) { return U32(12, status); }
    EventRecordBuilder& Unit(uint32_t unit) { return U32(24, unit); }
    EventRecordBuilder& Channel(uint32_t channel) { return U32(28, channel); }
    EventRecordBuilder& LoopId(uint32_t loopId) { return U32(36, loopId); }
    EventRecordBuilder& Params(uint32_t p1, uint32_t p2 = 0, uint32_t p3 = 0, uint32_t p4 = 0);
    EventRecordBuilder& Lun(uint32_t lun) { return U32(140, lun); }
    // The text area at 56 (drive serial, version, volume name, thread name; no NUL added).
    EventRecordBuilder& Text56(std::string_view text) { return Chars(56, text); }
    EventRecordBuilder& Baselevel(std::string_view text) { return Chars(72, text); }
    EventRecordBuilder& EnclosureInfo(std::string_view text) { return Chars(64, text); }
    // The Vdisk or volume serial number at 88.
    EventRecordBuilder& Serial(const std::vector<uint8_t>& serial) { return Bytes(88, serial); }
    // The object name, split over bytes 120-139, 146-155 and 18-19.
    EventRecordBuilder& Name(std::string_view name);

    EventRecordBuilder& U32(size_t offset, uint32_t value);
    EventRecordBuilder& Byte(size_t offset, uint8_t value);
    EventRecordBuilder& Bytes(size_t offset, const std::vector<uint8_t>& bytes);
    EventRecordBuilder& Chars(size_t offset, std::string_view text);

    const CAPI_EVENT_RECORD& Record() const { return record_; }

  private:
    CAPI_EVENT_RECORD record_{};
};

// Serial numbers of the crafted records: a Vdisk's, and a volume's on that Vdisk (same first 12 bytes).
std::vector<uint8_t> CraftedVdiskSerial();
std::vector<uint8_t> CraftedVolumeSerial();

// One record per event code 0 to 237, in code order, addressed to `controllerHandle`.
std::vector<CAPI_EVENT_RECORD> CraftedEventRecords(uint32_t controllerHandle);

// The expected texts of the crafted records, in the same order: the golden file's lines are
// `<code> "<text>"`.
std::string EventTextsGoldenPath();
std::vector<std::string> ReadEventTextsGolden(const std::string& path);
std::string EventTextsGoldenLine(uint32_t code, const std::string& text);

}  // namespace testsupport
