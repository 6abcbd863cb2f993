// The event commands: the first, last, numbered and a range of events of the pair's log, clearing the log
// and logging a record. Each record returned names the controller the request addressed.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_event.h"
#include "sim/capi/command_rows.h"
#include "sim/model/event_log.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeEventRecord = 7;
constexpr size_t kMostEventsPerReply = 416;  // an event list's records

CAPI_EVENT_RECORD RecordOf(const Event& event, const Call& call) {
    CAPI_EVENT_RECORD record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, event.detail.data(), std::min(event.detail.size(), sizeof record));
    record.sequenceNumber = event.sequence;
    record.eventCode = event.code;
    std::memcpy(record.params, event.params, sizeof record.params);
    const CAPI_ADDRESS requested = call.header().address;
    record.address.controllerHandle = requested.controllerHandle;
    return record;
}

void ReplyEvent(Call& call, const Event* event) {
    if (event == nullptr) return call.Fail(CAPI_ERROR_NO_SUCH_EVENT);
    call.ReplyRecord(kIncludeEventRecord, RecordOf(*event, call));
}

void FirstEvent(Call& call) {
    const std::vector<Event>& log = call.pair().events;
    ReplyEvent(call, log.empty() ? nullptr : &log.front());
}

void LastEvent(Call& call) {
    const std::vector<Event>& log = call.pair().events;
    ReplyEvent(call, log.empty() ? nullptr : &log.back());
}

void NumberedEvent(Call& call) { ReplyEvent(call, FindEvent(call.pair(), call.header().param1)); }

// The events from param1 to param2 that the log holds, at most a list's worth; param1 and param2 of the
// reply give the first and last sequence number returned.
void MultipleEvents(Call& call) {
    const CAPI_PACKET_HEADER& head = call.header();
    const std::vector<const Event*> events =
        EventsInRange(call.pair(), head.param1, head.param2, kMostEventsPerReply);
    if (events.empty()) return call.Fail(CAPI_ERROR_NO_SUCH_EVENT);
    std::vector<uint8_t> records(events.size() * sizeof(CAPI_EVENT_RECORD));
    for (size_t i = 0; i < events.size(); ++i) {
        const CAPI_EVENT_RECORD record = RecordOf(*events[i], call);
        std::memcpy(records.data() + i * sizeof record, &record, sizeof record);
    }
    call.ReplyList(kIncludeEventRecord, 0, std::move(records));
    call.SetParam(0, events.front()->sequence);
    call.SetParam(1, events.back()->sequence);
}

void ClearEventLog(Call& call) { call.pair().events.clear(); }

// The record enters the log as it came, with the log's next sequence number.
void LogEvent(Call& call) {
    CAPI_EVENT_RECORD record;
    if (!call.Include(&record)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    Event event{record.eventCode, {}, call.nowMs(), 0, std::vector<uint8_t>(bytes, bytes + sizeof record)};
    std::memcpy(event.params, record.params, sizeof event.params);
    AppendEvent(call.pair(), std::move(event));
}

constexpr uint32_t kRecordSize = sizeof(CAPI_EVENT_RECORD);

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_FIRST_EVENT, "U_GET_FIRST_EVENT", 0, 0, false, Sequence::None, FirstEvent},
    {CAPI_COMMAND_U_GET_LAST_EVENT, "U_GET_LAST_EVENT", 0, 0, false, Sequence::None, LastEvent},
    {CAPI_COMMAND_U_GET_EVENT, "U_GET_EVENT", 0, 0, false, Sequence::None, NumberedEvent},
    {CAPI_COMMAND_U_CLEAR_EVENT_LOG, "U_CLEAR_EVENT_LOG", 0, 0, false, Sequence::None, ClearEventLog},
    {CAPI_COMMAND_U_LOG_EVENT, "U_LOG_EVENT", kIncludeEventRecord, kRecordSize, false, Sequence::None, LogEvent},
    {CAPI_COMMAND_U_GET_MULTIPLE_EVENTS, "U_GET_MULTIPLE_EVENTS", 0, 0, false, Sequence::None, MultipleEvents},
    // clang-format on
};

}  // namespace

CommandFamily EventCommands() { return kRows; }

}  // namespace sim
