#include "corlink/handlers/event_commands.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/event_buffer.h"
#include "corlink/diagnostics/event_text.h"
#include "corlink/foundation/console.h"

namespace {

using rre_wire::BufferAs;

constexpr int kConsoleError = 5;

// The event buffer of one command: set while the command runs, so that the reply callback fills it.
class EventBufferScope {
  public:
    EventBufferScope() : records_(std::make_unique<CAPI_EVENT_RECORD[]>(EVENT_BUFFER_MAX_RECORDS)) {
        g_EventBuffer = records_.get();
        g_EventCount = 0;
    }
    ~EventBufferScope() { g_EventBuffer = nullptr; }
    EventBufferScope(const EventBufferScope&) = delete;
    EventBufferScope& operator=(const EventBufferScope&) = delete;
    const CAPI_EVENT_RECORD* records() const { return records_.get(); }

  private:
    std::unique_ptr<CAPI_EVENT_RECORD[]> records_;
};

// The event command the request asks for: the first event, the last, one by number, or a range.
int32_t SendEventCommand(const CommandContext& c) {
    const CAPI_HANDLE handle = ControllerHandleOf(c.index);
    const auto* request = BufferAs<RRE_EVENT_BUFFER>(c.buffer);
    if (request->first != 0) return CAPI_U_GetFirstEvent(handle, c.ab);
    if (request->last != 0) return CAPI_U_GetLastEvent(handle, c.ab);
    if (const uint32_t sequence = request->sequence; sequence != 0) {
        return CAPI_U_GetEvent(handle, sequence, c.ab);
    }
    return CAPI_U_GetMultipleEvents(handle, request->range[0], request->range[1], c.ab);
}

// The count and the entries are cleared before the send, so that a command that gets no event reply, or
// a refusal, answers no events rather than what an earlier command left.
int32_t RunGetEvent(CommandContext& c) {
    auto* reply = BufferAs<RRE_EVENT_BUFFER>(c.buffer);
    reply->entryCount = 0;
    std::memset(reply->entries, 0, sizeof reply->entries);
    EventBufferScope events;
    const int32_t code = SendEventCommand(c);
    // A refused command's reply carries no records, though the reply callback counts one.
    const uint32_t count = code == 0 ? std::min(g_EventCount, EVENT_BUFFER_MAX_RECORDS) : 0;
    reply->entryCount = count;
    FormatEvents(count, events.records(), reinterpret_cast<uint8_t*>(reply->entries));
    c.replyLength = static_cast<int32_t>(EVENT_REPLY_ENTRIES_AT + count * EVENT_ENTRY_SIZE);
    c.closingNumber = static_cast<int32_t>(count);
    return code;
}

}  // namespace

uint16_t FormatEventText(char* text, const CAPI_EVENT_RECORD* record) {
    if (text == nullptr || record == nullptr) return 0;
    const int32_t index = convertControllerHandle(&record->address);
    const RAID_CONTROLLER* controller = index >= 0 && static_cast<uint32_t>(index) < g_NumControllers
                                            ? g_ControllerDb.Peek(static_cast<uint32_t>(index))
                                            : nullptr;
    const std::string fitted = FormatEventText(*record, controller);
    std::memcpy(text, fitted.data(), fitted.size());
    text[fitted.size()] = '\0';
    return static_cast<uint16_t>(fitted.size());
}

void FormatEvents(uint32_t count, const CAPI_EVENT_RECORD* records, uint8_t* entries) {
    for (uint32_t i = 0; i < count; ++i) {
        const CAPI_EVENT_RECORD& record = records[i];
        RRE_EVENT_ENTRY& entry = reinterpret_cast<RRE_EVENT_ENTRY*>(entries)[i];
        const int32_t index = convertControllerHandle(&record.address);
        const bool mapped = index >= 0 && static_cast<uint32_t>(index) < g_NumControllers;
        if (!mapped) {
            ConsolePrint(kConsoleError,
                         "convertControllerHandle returned bad controller number %d identifier %d\n", index,
                         static_cast<int>(record.address.controllerHandle));
        }
        if (record.sequenceNumber == 0) continue;
        std::memcpy(&entry.record, &record, sizeof record);
        char text[EVENT_TEXT_BUFFER_SIZE] = {};
        if (mapped) FormatEventText(text, &record);
        static_assert(sizeof text >= sizeof entry.text);
        std::memcpy(entry.text, text, sizeof entry.text);
    }
}

const FramedCommand kGetEvent{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetEvent, false, " %d %s!\n"};
