#include "corlink/capi/send_path.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/code_names.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/controller_handles.h"
#include "corlink/capi/discovery_hooks.h"
#include "corlink/capi/packet.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi/reply_path.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/structure_converters.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "platform/system/application_event_log.h"
#include "platform/time/clock.h"

namespace {

constexpr int kTries = 3;
constexpr int32_t kRetrySleepSeconds = 6;
constexpr int kBackOffBudget = 60;
constexpr int kRediscoveryAttempts = 3;
constexpr int32_t kRediscoverySleepSeconds = 10;
constexpr uint32_t kSlowCommandSeconds = 30;
constexpr uint32_t kTimeoutNoteSeconds = 10;
constexpr uint32_t kEventReplyCapacity = 236;
constexpr uint32_t kShortObjectIdType = 21;  // callers pass 32 bytes; the controller takes 72
constexpr uint32_t kShortObjectIdLength = 32;
constexpr uint32_t kObjectIdLength = 72;

struct SendPathState {
    int32_t cmdCount = 0;
    CapiCommandCounters counters{};
    int64_t lastReportedCommand = -1;
    char resultLine[300] = "";
    uint8_t* lastReceiveBuffer = nullptr;
};
SendPathState g_Send;

bool IsEventCommand(uint32_t code) {
    switch (static_cast<int32_t>(code)) {
        case CAPI_COMMAND_NON_U_GET_FIRST_EVENT:
        case CAPI_COMMAND_NON_U_GET_LAST_EVENT:
        case CAPI_COMMAND_NON_U_GET_EVENT:
        case CAPI_COMMAND_U_GET_FIRST_EVENT:
        case CAPI_COMMAND_U_GET_LAST_EVENT:
        case CAPI_COMMAND_U_GET_EVENT: return true;
        default: return false;
    }
}

// The unified event commands are never tried again.
bool IsUnifiedEventCommand(uint32_t code) {
    auto c = static_cast<int32_t>(code);
    return c >= CAPI_COMMAND_U_GET_FIRST_EVENT && c <= CAPI_COMMAND_U_GET_MULTIPLE_EVENTS;
}

uint64_t NowSeconds() { return platform::GetClock().NowMs() / 1000; }

uint32_t HeaderField(const uint8_t* packet, size_t offset) {
    uint32_t v;
    std::memcpy(&v, packet + offset, sizeof v);
    return v;
}

int RespondsOf(const CAPI_CONTROLLER_CONTEXT* context) {
    return context != nullptr ? ProcessorDeviceOf(*context).responds : 0;
}

// Copies the session's raw packet into the send buffer; returns its length, or 0 when there is none or it
// is not a packet (the caller then refuses the exchange).
uint32_t TakePassThroughPacket(uint8_t* sendBuffer) {
    if (g_PassThrough.request == nullptr) return 0;
    uint32_t length = HeaderField(g_PassThrough.request, offsetof(CAPI_PACKET_HEADER, packetLength));
    if (!CapiPacketLengthIsLegal(length)) return 0;
    std::memcpy(sendBuffer, g_PassThrough.request, length);
    g_PassThrough.active = 1;
    DebugPrint("packet to SC: CAPI_COMMAND_U_PASSTHROUGH");
    DumpPacket(1, sendBuffer, length);
    return length;
}

int32_t BuildAndSendPacketOnce(uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeType,
                               const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                               uint32_t param3, uint32_t param4, uint32_t param5, uint16_t partCount,
                               uint16_t partIndex) {
    const CAPI_HANDLE handle = address->controllerHandle;
    CAPI_CONTROLLER_CONTEXT* context = Handle2Context(handle);
    if (handle == 0 || context == nullptr || context->lmxIob.pControllerContext == nullptr) {
        return CAPI_STATUS_NULL_POINTER;
    }
    if (context->linkBusy) return CAPI_STATUS_LINK_BUSY;
    LMX_IOB& iob = context->lmxIob;
    uint8_t* sendBuffer = context->pCapiBuffer;
    if (sendBuffer == nullptr) return CAPI_STATUS_NULL_POINTER;

    uint8_t* compression = CapiCompressionBuffer();
    PacketFields fields;
    fields.acceptCompressed = compression != nullptr ? 1 : 0;
    fields.compress = (CapiCompressionEnabled() && compression != nullptr) ? 1 : 0;
    fields.compressionBuffer = compression;
    fields.compressionCapacity = CAPI_RECEIVE_GENERAL_BUFFER_SIZE;
    fields.configSequenceNumber = context->configSequenceNumber;
    fields.commandCode = commandCode;
    fields.address = *address;
    fields.includeStructType = includeType;
    fields.include = include;
    fields.errorCode = errorCode;
    fields.param1 = param1;
    fields.param2 = param2;
    fields.param3 = param3;
    fields.param4 = param4;
    fields.param5 = param5;
    fields.driveListConfigSequenceNumber = context->driveListConfigSequenceNumber;
    fields.arrayListConfigSequenceNumber = context->arrayListConfigSequenceNumber;
    fields.partCount = partCount;
    fields.partIndex = partIndex;
    uint32_t sendLength = BuildPacket(sendBuffer, fields);

    // The receive buffer: the compression buffer, the event buffer, or the request's own buffer.
    uint8_t* receiveBuffer = sendBuffer;
    uint32_t capacity = CAPI_RECEIVE_GENERAL_BUFFER_SIZE;
    if (compression != nullptr) {
        receiveBuffer = compression;
    } else if (IsEventCommand(commandCode)) {
        receiveBuffer = context->pEventBuffer;
        capacity = kEventReplyCapacity;
    }

    g_PassThrough.active = 0;
    if (static_cast<int32_t>(commandCode) == CAPI_COMMAND_U_PASSTHROUGH) {
        sendLength = TakePassThroughPacket(sendBuffer);
        if (sendLength == 0) return CAPI_STATUS_COMMUNICATION_ERROR;
    }
    iob.callback = ReceivePacket;
    iob.pSendBuffer = sendBuffer;
    iob.sendLength = sendLength;

    if (sendLength > capacity) {
        ConsoleWritef("BuildAndSendPacket: ERROR: sendLength = %u; length of buffer to put it in = %u\n",
                      sendLength, capacity);
        g_PassThrough.active = 0;
        return CAPI_STATUS_COMMUNICATION_ERROR;
    }
    if (receiveBuffer == nullptr) {
        ConsoleWritef("BuildAndSendPacket: ERROR: pReceiveBuffer == 0\n");
        g_PassThrough.active = 0;
        return CAPI_STATUS_NULL_POINTER;
    }
    if (receiveBuffer != g_Send.lastReceiveBuffer) {
        ConsoleWritef("BuildAndSendPacket: pReceiveBuffer == %p, %p\n", static_cast<void*>(receiveBuffer),
                      static_cast<void*>(g_Send.lastReceiveBuffer));
        g_Send.lastReceiveBuffer = receiveBuffer;
    }
    iob.pReceiveBuffer = receiveBuffer;
    iob.maxRecLength = capacity;
    iob.recLength = 0;
    iob.status = LMX_STATUS_UNDER_WAY;

    PackCapiPacketHeader(PACK_CAPI_SEND, reinterpret_cast<CAPI_PACKET_HEADER*>(sendBuffer));
    if (iob.pLmxOps == nullptr || iob.pLmxOps->sendAndReceive == nullptr) return CAPI_STATUS_NULL_POINTER;
    iob.pLmxOps->sendAndReceive(&iob);
    g_PassThrough.active = 0;

    // A reply the reply path refused is no reply: its code does not make the command back off.
    iob.replyCode = iob.status == LMX_STATUS_REPLY_RECEIVED
                        ? HeaderField(receiveBuffer, offsetof(CAPI_PACKET_HEADER, commandCode))
                        : 0;
    ConsoleWritef("BuildAndSendPacket: plmxIob->status=%d plmxIob->errorCode = %d plmxIob->replyCode = %d\n",
                  static_cast<int>(iob.status), static_cast<int>(iob.errorCode),
                  static_cast<int>(iob.replyCode));
    context->linkType = iob.linkType;

    if (iob.errorCode != 0) return iob.errorCode;
    switch (iob.status) {
        case LMX_STATUS_REPLY_RECEIVED: return 0;
        case LMX_STATUS_READ_ABANDONED: return CAPI_STATUS_LINK_BUSY;
        default: return CAPI_STATUS_COMMUNICATION_ERROR;
    }
}

void Report(uint32_t commandCode, const char* name, int32_t result, uint64_t elapsed, bool lost) {
    char resultName[CAPI_NAME_TEXT_SIZE];
    CapiReturnCodeName(result, resultName, sizeof resultName);
    std::snprintf(g_Send.resultLine, sizeof g_Send.resultLine,
                  "BuildAndSendPacket: CAPI_COMMAND_%1$s %2$s result %3$s %4$d seconds %5$s %6$s", name,
                  result != 0 ? "BAD" : "", resultName, static_cast<int>(elapsed),
                  elapsed > kTimeoutNoteSeconds ? "CAPI timeout" : "", lost ? ",controller lost" : "");
    if ((result != 0 || elapsed > kSlowCommandSeconds) &&
        static_cast<int64_t>(commandCode) != g_Send.lastReportedCommand) {
        g_Send.lastReportedCommand = commandCode;
        char text[sizeof g_Send.resultLine];
        std::memcpy(text, g_Send.resultLine, sizeof text);
        WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, static_cast<uint32_t>(result),
                      CORLINK_EVENT_SOURCE);
    }
    ConsoleWritef("%s\n", g_Send.resultLine);
}

}  // namespace

int IsRetriableError(uint32_t commandCode, int32_t errorCode) {
    if (errorCode == -1 || errorCode == CAPI_ERROR_COMMAND_FAILED ||
        errorCode == CAPI_ERROR_LOCK_NOT_GRANTED_WAIT_TO_RETRY) {
        return 1;
    }
    if (static_cast<int32_t>(commandCode) == CAPI_COMMAND_U_GET_CONTROLLER_DATA &&
        errorCode == CAPI_ERROR_OTHER_NOT_SET) {
        return 1;
    }
    // Kept as the command set has it: no command 183 exists, and retrying snapshot creation could
    // create duplicate snapshots.
    return commandCode == 183 ? 1 : 0;
}

int RediscoverController(CAPI_ADDRESS* address) {
    CAPI_CONTROLLER_CONTEXT* context = Handle2Context(address->controllerHandle);
    // A rediscovery never runs inside a database rebuild, nor inside a nested send (the next part of a
    // reply, the next chunk of a transfer), whose callers still hold pointers into the database.
    if (context == nullptr || CapiDiscoveryRunning() || context->lmxIob.needRescan == 0 ||
        g_Send.cmdCount > 1) {
        return -1;
    }
    uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH];
    std::memcpy(serial, ProcessorDeviceOf(*context).controllerSerialNumber, sizeof serial);
    ConsoleWritef("BuildAndSendPacket: ERROR: needRescan=%d %d\n", context->lmxIob.needRescan,
                  static_cast<int>(g_DeviceGone));
    const CAPI_HANDLE lostHandle = address->controllerHandle;
    for (int attempt = 0; attempt < kRediscoveryAttempts; ++attempt) {
        if (g_StopFlag == 1) return -2;
        if (attempt > 0) os_SleepSeconds(kRediscoverySleepSeconds);
        CapiSetResponds(lostHandle, 0);
        ConsoleWritef("BuildAndSendPacket: before CAPI_Initialize_Main() responds = %d\n",
                      RespondsOf(Handle2Context(lostHandle)));
        CapiRebuildControllerDb();
        ConsoleWritef("BuildAndSendPacket: after CAPI_Initialize_Main() responds = %d\n",
                      RespondsOf(Handle2Context(lostHandle)));
        const int32_t index = CapiFindControllerBySerialNumber(serial);
        if (index >= 0) {
            // The remaining tries go to the controller found by its serial number, wherever it now sits.
            address->controllerHandle = ControllerTableHandleOf(static_cast<uint32_t>(index));
            ConsoleWritef("BuildAndSendPacket: controllerHandle = %x controllerX=%d\n",
                          address->controllerHandle, static_cast<int>(index));
            return 0;
        }
    }
    return -2;
}

int32_t BuildAndSendPacket(uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeType,
                           const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                           uint32_t param3, uint32_t param4, uint32_t param5, uint16_t partCount,
                           uint16_t partIndex) {
    CAPI_ADDRESS target = address != nullptr ? *address : CAPI_ADDRESS{};
    char name[CAPI_NAME_TEXT_SIZE];
    CapiCommandName(static_cast<int32_t>(commandCode), name, sizeof name);
    Handle2Context(target.controllerHandle);
    DebugPrint("BuildAndSendPacket: %s\n", name);
    const uint64_t start = NowSeconds();
    if (++g_Send.cmdCount >= 2) ConsoleWritef("BuildAndSendPacket: ERROR: cmdCount >= 2\n");
    if (target.controllerHandle == 0) {
        --g_Send.cmdCount;
        return CAPI_RESULT_NO_HANDLE;
    }

    uint8_t objectId[kObjectIdLength];
    if (includeType == kShortObjectIdType && include != nullptr) {
        std::memset(objectId, 0, sizeof objectId);
        std::memcpy(objectId, include, kShortObjectIdLength);
        include = objectId;
    }

    int32_t result = CAPI_RESULT_NO_REPLY;
    int backOffBudget = kBackOffBudget;
    bool lost = false;
    int attempt = 0;
    for (attempt = 0; attempt < kTries; ++attempt) {
        if (g_StopFlag == 1) {
            result = CAPI_RESULT_STOPPING;
            break;
        }
        if (attempt > 0 && static_cast<int32_t>(commandCode) != CAPI_COMMAND_U_COMMIT_SNAPSHOTS) {
            os_SleepSeconds(kRetrySleepSeconds);
        }
        CAPI_CONTROLLER_CONTEXT* context = Handle2Context(target.controllerHandle);
        if (context != nullptr) {
            context->lmxIob.errorCode = -1;
            context->lmxIob.replyCode = 0;  // a try that reaches no controller has no reply to back off on
        }
        CapiClearBadControllerNumberError();
        ConsoleWritef(
            "BuildAndSendPacket: controllerHandle = %x, code = %d, pLmxContext = %p, responds = %d i=%d\n",
            target.controllerHandle, static_cast<int>(commandCode),
            context != nullptr ? static_cast<void*>(context->lmxIob.pLmxContext) : nullptr,
            RespondsOf(context), attempt);

        result = BuildAndSendPacketOnce(commandCode, &target, includeType, include, errorCode, param1, param2,
                                        param3, param4, param5, partCount, partIndex);
        context = Handle2Context(target.controllerHandle);
        if (result != 0 && context != nullptr &&
            context->lmxIob.replyCode == CAPI_REPLY_COMMAND_ALREADY_ACTIVE) {
            const int32_t wait = (std::rand() % 10) * 100 + 500;
            const bool restart = backOffBudget > 0;
            if (restart) --backOffBudget;
            os_Sleep(wait);
            ConsoleWritef("BuildAndSendPacket: CAPI_REPLY_COMMAND_ALREADY_ACTIVE: crc=%d i=%d r=%d\n",
                          static_cast<int>(result), restart ? -1 : attempt, static_cast<int>(wait));
            ++g_Send.counters.activecommands;
            if (restart) attempt = -1;
            continue;
        }
        if (CapiReturnCodeIsSuccess(result)) {
            result = 0;
            break;
        }
        // Without a context nothing was exchanged: its result is final.
        const int32_t ioErrorCode = context != nullptr ? context->lmxIob.errorCode : result;
        if (!IsRetriableError(commandCode, ioErrorCode) || IsUnifiedEventCommand(commandCode)) break;
        if (CapiDiscoveryEnabled() && !lost) {
            switch (RediscoverController(&target)) {
                case 0: ConsoleWritef("BuildAndSendPacket: foundController: ok\n"); break;
                case -2:
                    ConsoleWritef("BuildAndSendPacket: foundController: error!\n");
                    lost = true;
                    break;
                default: break;
            }
        }
    }
    if (result != 0)
        ConsoleWritef("BuildAndSendPacket: ERROR: crc=%d trycount=%d\n", static_cast<int>(result), attempt);

    Report(commandCode, name, result, NowSeconds() - start, lost);
    --g_Send.cmdCount;
    if (result == 0) {
        ++g_Send.counters.okcommands;
    } else {
        ++g_Send.counters.failcommands;
    }
    return result;
}

int32_t SendCapiCommand(uint32_t commandCode, const CAPI_ADDRESS* address, uint32_t includeType,
                        const void* include, uint32_t errorCode, uint32_t param1, uint32_t param2,
                        uint32_t param3, uint32_t param4, uint32_t param5) {
    return BuildAndSendPacket(commandCode, address, includeType, include, errorCode, param1, param2, param3,
                              param4, param5, 0, 0);
}

CapiCommandCounters& CapiCounters() { return g_Send.counters; }

const char* CapiLastResultLine() { return g_Send.resultLine; }

void ResetSendPath() { g_Send = SendPathState{}; }
