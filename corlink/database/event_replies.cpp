// Event replies: records into the event buffer of the event command under way.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/event_buffer.h"
#include "corlink/database/reply_storage.h"
#include "corlink/foundation/log.h"

CAPI_EVENT_RECORD* g_EventBuffer = nullptr;
uint32_t g_EventCount = 0;

namespace {

bool IsSingleEvent(uint32_t replyCode) {
    switch (replyCode) {
        case CAPI_REPLY_GET_FIRST_EVENT:
        case CAPI_REPLY_U_GET_FIRST_EVENT:
        case CAPI_REPLY_GET_LAST_EVENT:
        case CAPI_REPLY_U_GET_LAST_EVENT:
        case CAPI_REPLY_GET_EVENT:
        case CAPI_REPLY_U_GET_EVENT: return true;
        default: return false;
    }
}

bool IsEventByNumber(uint32_t replyCode) {
    return replyCode == CAPI_REPLY_GET_EVENT || replyCode == CAPI_REPLY_U_GET_EVENT;
}

// Records from first to last inclusive, at most the buffer's.
uint32_t RangeCount(uint32_t first, uint32_t last) {
    if (last < first) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{last} - first + 1, EVENT_BUFFER_MAX_RECORDS));
}

}  // namespace

int StoreEventReply(const ReplyArgs& reply, uint32_t addressHandle) {
    const auto* records = static_cast<const CAPI_EVENT_RECORD*>(reply.payload);
    if (reply.replyCode == 0) {
        DebugPrint("No Event (old method of event polling being used)\n");
        return 1;
    }
    if (IsSingleEvent(reply.replyCode)) {
        if (records == nullptr) return 1;
        CAPI_EVENT_RECORD record;
        std::memcpy(&record, records, sizeof record);
        if (IsEventByNumber(reply.replyCode)) {
            record.address.controllerHandle = addressHandle;
            g_ControllerDb[static_cast<uint32_t>(reply.index)].lastReceivedSequenceNumber =
                record.sequenceNumber;
        }
        g_EventCount = 1;
        if (g_EventBuffer != nullptr) std::memcpy(g_EventBuffer, &record, sizeof record);
        return 1;
    }
    if (reply.replyCode == CAPI_REPLY_GET_MULTIPLE_EVENTS ||
        reply.replyCode == CAPI_REPLY_U_GET_MULTIPLE_EVENTS) {
        g_EventCount = RangeCount(reply.param1, reply.param2);
        if (g_EventBuffer != nullptr && records != nullptr) {
            std::memcpy(g_EventBuffer, records, g_EventCount * sizeof(CAPI_EVENT_RECORD));
        }
        return 1;
    }
    return 0;
}
