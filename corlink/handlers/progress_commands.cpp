#include "corlink/handlers/progress_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_wire/buffers_arrays.h"

namespace {

using rre_wire::BufferAs;

constexpr uint32_t kUtilityKinds = RRE_PROGRESS_UTILITY_KINDS;
constexpr uint32_t kTableArrays = RRE_PROGRESS_ARRAYS;
constexpr uint32_t kFullPercent = 100;
constexpr uint32_t kRecordsAt = offsetof(RRE_PROGRESS_BUFFER, records);

// The percentage of a utility that the controller reports, or nothing when it answers an error. What an
// earlier reply stored never stands in for a failed one.
bool PercentOf(int32_t index, const uint8_t* serial, uint32_t* percent) {
    g_ProgressPercent = 0;
    if (CAPI_U_GetPercentComplete(ControllerHandleOf(index), serial) != 0) return false;
    *percent = g_ProgressPercent;
    return true;
}

void FillProgressRecord(int32_t i, RRE_PROGRESS_RECORD& record) {
    record.controllerHandle = os_htonl(ControllerHandleOf(i));
    for (RRE_PROGRESS_TABLE& table : record.tables) {
        for (uint32_t j = 0; j < kTableArrays; ++j) table.percent[j] = os_htonl(RRE_PROGRESS_NOT_RUNNING);
    }
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(i)];
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, kTableArrays);
    for (uint32_t j = 0; j < arrays; ++j) {
        uint8_t serial[kObjectSerialSize];
        std::memcpy(serial, entry.arrays[j].serialNumber, sizeof serial);
        std::memcpy(record.serials[j].bytes, serial, sizeof serial);
        const uint8_t kind = entry.arrays[j].utilityRunning;
        uint32_t percent = 0;
        if (kind == 0 || !PercentOf(i, serial, &percent)) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x%02x", serial[3], serial[4], serial[5],
                      serial[8], serial[9], serial[10], serial[11]);
        DebugPrint("progress [%d %d] %s %d\n", i, j, text, percent);
        if (kind >= 1 && kind <= kUtilityKinds) {
            record.tables[kind - 1u].percent[j] = os_htonl(percent);
        }
    }
}

int32_t RunPercentComplete(CommandContext& c) {
    g_ProgressPercent = 0;
    auto* request = BufferAs<RRE_PERCENT_BUFFER>(c.buffer);
    const int32_t code = CAPI_U_GetPercentComplete(ControllerHandleOf(c.index), request->serialNumber);
    request->percent = std::min(g_ProgressPercent, kFullPercent);
    return code;
}

}  // namespace

// Every controller's record; the entry count is the one at the start, so a rediscovery meanwhile cannot
// make the reply longer than its head says.
void capiGetProgress(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    const uint32_t n = std::min(g_NumControllers, CONTROLLER_DB_SIZE);
    std::memset(pRre->Buffer, 0, kRecordsAt + n * PROGRESS_RECORD_SIZE);
    auto* reply = BufferAs<RRE_PROGRESS_BUFFER>(pRre->Buffer);
    for (uint32_t i = 0; i < n; ++i) {
        if (RefreshController(static_cast<int32_t>(i)) != 0) continue;
        FillProgressRecord(static_cast<int32_t>(i), reply->records[i]);
    }
    reply->recordCount = os_htonl(n);
    RreWriteHead(pRre, 0, 0);
    pRre->ReplyLength = static_cast<int32_t>(kRecordsAt + n * PROGRESS_RECORD_SIZE);
    DebugPrint("capicmd==>>capiGetProgress success\n");
}

// The percentage is answered whatever the command's code: 0 when it failed.
const FramedCommand kPercentComplete{
    Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunPercentComplete, true, nullptr};
