#include "corlink/database/master_callback.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/capi_response.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/reply_storage.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "platform/time/clock.h"

volatile uint8_t g_InitializeComplete = 0;

namespace {

constexpr int32_t kErrorOtherNotUp = 59;
constexpr int32_t kErrorOtherNotUpButLocalSuccessful = 139;
constexpr uint32_t kSelectorShown = 100;  // address selectors below this are printed
constexpr uint64_t kPollIntervalMs = 500;

void PrintResponse(int32_t type, int32_t code) {
    const CAPI_RESPONSE response{type, code};
    PrintCapiResponse(&response);
}

void LogReply(uint32_t replyCode, int32_t errorCode, const CAPI_ADDRESS* address, uint32_t param1,
              uint32_t param2) {
    ConsolePrint(5, "[MasterCallBack] [RC %lu]", static_cast<unsigned long>(replyCode));
    ConsolePrint(5, " [EC %lu]", static_cast<unsigned long>(static_cast<uint32_t>(errorCode)));
    if (address != nullptr) {
        ConsolePrint(5, " [co %lu]", static_cast<unsigned long>(address->controllerHandle));
        if (address->arrayIndex < kSelectorShown)
            ConsolePrint(5, " [ar %lu]", static_cast<unsigned long>(address->arrayIndex));
        if (address->channelIndex < kSelectorShown) {
            ConsolePrint(5, " [ch %lu]", static_cast<unsigned long>(address->channelIndex));
        }
        if (address->driveIndex < kSelectorShown)
            ConsolePrint(5, " [dr %lu]", static_cast<unsigned long>(address->driveIndex));
    }
    ConsolePrint(5, " [p1 %lu]", static_cast<unsigned long>(param1));
    ConsolePrint(5, " [p2 %lu]", static_cast<unsigned long>(param2));
    ConsolePrint(5, "\n");
}

void LogError(uint32_t replyCode, int32_t errorCode, const CAPI_ADDRESS* address, uint32_t param1,
              uint32_t param2) {
    DebugPrint("\nmyCallBack: at top, errorCode is not 0\n");
    PrintResponse(CAPI_RESPONSE_ERROR, errorCode);
    PrintResponse(CAPI_RESPONSE_REPLY, static_cast<int32_t>(replyCode));
    if (address == nullptr) return;
    DebugPrint(" [co x%lX]", static_cast<unsigned long>(address->controllerHandle));
    DebugPrint(" [ar x%lX]", static_cast<unsigned long>(address->arrayIndex));
    DebugPrint(" [ch x%lX]", static_cast<unsigned long>(address->channelIndex));
    DebugPrint(" [dr x%lX]", static_cast<unsigned long>(address->driveIndex));
    DebugPrint(" [p1 %lu]", static_cast<unsigned long>(param1));
    DebugPrint(" [p2 %lu]", static_cast<unsigned long>(param2));
    DebugPrint("\n");
}

bool ReadsOwnSequenceNumberFromParam3(uint32_t replyCode) {
    return replyCode == CAPI_REPLY_U_GET_CONTROLLER_DATA || replyCode == CAPI_REPLY_U_GET_ARRAY_LIST ||
           replyCode == CAPI_REPLY_U_GET_DRIVE_LIST || replyCode == CAPI_REPLY_U_GET_ARRAY_PARTITIONS;
}

// Replies of the array utilities and firmware update.
int StoreUtilityReply(const ReplyArgs& reply) {
    switch (reply.replyCode) {
        case CAPI_REPLY_ARRAY_DELETE:
            if (reply.errorCode != 0) {
                DebugPrint("Error deleting array.\n");
                PrintResponse(CAPI_RESPONSE_ERROR, reply.errorCode);
            }
            return 1;
        case CAPI_REPLY_UTILITY_PERCENT:
        case CAPI_REPLY_U_GET_PERCENT_COMPLETE: g_ProgressPercent = reply.param1; return 1;
        case CAPI_REPLY_UPDATE_FIRMWARE:
            g_ControllerDb[static_cast<uint32_t>(reply.index)].updateStatus = UPDATE_STATUS_STORED;
            return 1;
        default: return 0;
    }
}

}  // namespace

void MasterCallback(uint32_t replyCode, int32_t errorCode, const CAPI_ADDRESS* address, uint32_t param1,
                    uint32_t param2, uint32_t param3, uint32_t /*param4*/, void* payload) {
    if (replyCode != 0 && replyCode != CAPI_REPLY_GET_LAST_EVENT && replyCode != CAPI_REPLY_GET_EVENT)
        LogReply(replyCode, errorCode, address, param1, param2);
    if (errorCode != 0) LogError(replyCode, errorCode, address, param1, param2);
    if (replyCode == CAPI_REPLY_INITIALIZE_COMPLETE) {
        ConsolePrint(3, "[DEBUG] CAPI_EVENT_INITIALIZE_COMPLETE\n");
        g_InitializeComplete = 1;
        return;
    }

    const int32_t index = convertControllerHandle(address);
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers) {
        g_badControllerNumberError = 1;
        DebugPrint("convertControllerHandle returned bad controller number %d identifier %d\n", index,
                   address != nullptr ? static_cast<int>(address->controllerHandle) : 0);
        return;
    }
    RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    if (ReadsOwnSequenceNumberFromParam3(replyCode) && entry.controller.failover.failoverId == 0)
        param2 = param3;

    const ReplyArgs reply{replyCode, errorCode, index, param1, param2, param3, payload};
    StorePartitionReply(reply) || StoreEventReply(reply, address->controllerHandle) ||
        StoreUtilityReply(reply) || StoreBufferReply(replyCode, errorCode, param1, payload) ||
        StorePoolReply(reply) || StoreControllerReply(reply);

    if (errorCode == 0 || errorCode == kErrorOtherNotUp || errorCode == kErrorOtherNotUpButLocalSuccessful)
        return;
    if (entry.shutdown == 0) {
        entry.updateStatus = UPDATE_STATUS_FAILED;
        PrintResponse(CAPI_RESPONSE_ERROR, errorCode);
    }
}

void PollForSeconds(uint32_t seconds) {
    platform::Clock& clock = platform::GetClock();
    uint64_t last = clock.NowMs();
    for (uint32_t polls = 0; polls < 2 * seconds; ++polls) {
        const uint64_t elapsed = clock.NowMs() - last;
        if (elapsed < kPollIntervalMs) clock.Sleep(static_cast<uint32_t>(kPollIntervalMs - elapsed));
        CAPI_Poll();
        last = clock.NowMs();
    }
}

void DumpDiskDrivesEx(int32_t index, int marker) {
    DebugPrint("DumpDiskDrivesEx called from %d\n", marker);
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers) return;
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numDrives, RAID_CONTROLLER_MAX_DRIVES);
    for (uint32_t i = 0; i < count; ++i) {
        const CAPI_DRIVE& drive = entry.drives[i];
        const uint8_t* extra =
            reinterpret_cast<const uint8_t*>(&drive) + offsetof(CAPI_DRIVE, driveDownReason) + 1;
        const uint16_t scsiId = drive.scsiId;
        char serial[sizeof drive.serialNumber + 1] = {};
        std::memcpy(serial, drive.serialNumber, sizeof drive.serialNumber);
        DebugPrint("controller %d: %d.%d %d->%02X%02X%02X%02X%02X%02X%02X ab=%d %d %d %s\n", index,
                   drive.channel, scsiId, drive.containerIndex, extra[0], extra[1], extra[2], extra[3],
                   extra[4], extra[5], extra[6], entry.controller.failover.failoverId, drive.howUsed,
                   drive.utilityRunning, serial);
    }
}
