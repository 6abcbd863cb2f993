#include "corlink/capi/reply_path.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/chunked_transfer.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/controller_handles.h"
#include "corlink/capi/discovery_hooks.h"
#include "corlink/capi/hszrle.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi/reply_converter.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/structure_converters.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"

namespace {

// Where the link type byte sits in the controller records of replies 311 and 2001.
constexpr size_t kControllerLinkTypeOffset = 21612;
constexpr size_t kUnifiedControllerLinkTypeOffset = 1140;

// The parts of the multi-part reply being reassembled: its first header and the index asked for next.
// A chain is under way from its first part until the request for its second part returns to the exchange
// that took the first part; all its other parts, and whatever their delivery sends, nest inside that
// request. While it is under way no other first part is taken (not even in a retry of a next-part
// request), so one chain at a time is on the stack and a command nests at most CAPI_MAX_REPLY_PARTS
// exchanges for it, whatever the controller answers.
struct MultiPartReply {
    std::unique_ptr<uint8_t[]> buffer;  // CAPI_MAX_REPLY_PARTS parts of CAPI_REPLY_PART_SIZE bytes
    CAPI_PACKET_HEADER firstHeader{};
    bool underWay = false;
    bool broken = false;  // a reply inside the chain was refused: no later part is taken
    uint16_t partCount = 0;
    uint16_t nextIndex = 0;  // the index asked for; partCount once the last part arrived
    size_t dirtyEnd = 0;     // bytes past this offset are zero

    uint8_t* Buffer() {
        if (!buffer)
            buffer = std::make_unique<uint8_t[]>(size_t{CAPI_MAX_REPLY_PARTS} * CAPI_REPLY_PART_SIZE);
        return buffer.get();
    }
    void Start(const CAPI_PACKET_HEADER& header) {
        underWay = true;
        broken = false;
        partCount = header.partCount;
        nextIndex = 0;
        firstHeader = header;
    }
    void End() {
        underWay = false;
        broken = false;
        partCount = 0;
        nextIndex = 0;
    }
    void Break() { broken = underWay; }
};
MultiPartReply g_Parts;

bool IsEventReply(uint32_t replyCode) {
    switch (replyCode) {
        case CAPI_REPLY_GET_FIRST_EVENT:
        case CAPI_REPLY_GET_LAST_EVENT:
        case CAPI_REPLY_GET_EVENT:
        case CAPI_REPLY_U_GET_FIRST_EVENT:
        case CAPI_REPLY_U_GET_LAST_EVENT:
        case CAPI_REPLY_U_GET_EVENT: return true;
        default: return false;
    }
}

void Notify(CAPI_CALLBACK callback, uint32_t replyCode, int32_t returnCode, const CAPI_ADDRESS& address,
            uint32_t param1, uint32_t param2, uint32_t param3, uint32_t param4, void* payload) {
    if (callback != nullptr)
        callback(replyCode, returnCode, &address, param1, param2, param3, param4, payload);
}

// A reply that cannot be used ends its exchange as a communication error, whatever return code it
// carries: the send path then reports a failure, not a success.
void FailExchange(LMX_IOB* iob) {
    iob->status = LMX_STATUS_COMMUNICATION_ERROR;
    iob->errorCode = 0;
}

// A reply that cannot be taken apart is a communication error of the exchange, not a success.
void RefuseReply(LMX_IOB* iob, CAPI_CALLBACK callback, const char* why) {
    DebugPrint("ReceivePacket: reply refused: %s\n", why);
    g_Parts.Break();
    FailExchange(iob);
    if (g_PassThrough.active) {
        g_PassThrough.replyLength = 0;  // a raw exchange answers its session only, never the callback
        return;
    }
    Notify(callback, CAPI_REPLY_COMMUNICATION_ERROR, 1,
           CapiControllerAddress(Context2Handle(iob->pControllerContext)), 0, 0, 0, 0, nullptr);
}

// A part belongs to the chain under way: the first part (index 0) starts a chain when none is under way,
// every later part is the reply to the request for exactly the index asked for, carries the first part's
// count and comes before anything in the chain was refused.
bool AcceptPart(const CAPI_PACKET_HEADER& header) {
    const uint16_t count = header.partCount;
    const uint16_t index = header.partIndex;
    if (count > CAPI_MAX_REPLY_PARTS || index >= count) return false;
    if (header.commandCode != CAPI_REPLY_NEXT_PART) {
        if (index != 0 || g_Parts.underWay) return false;
        g_Parts.Start(header);
        return true;
    }
    return g_Parts.underWay && !g_Parts.broken && index == g_Parts.nextIndex && count == g_Parts.partCount;
}

void StorePart(uint16_t index, const uint8_t* payload, uint32_t payloadLength) {
    uint8_t* part = g_Parts.Buffer() + size_t{index} * CAPI_REPLY_PART_SIZE;
    uint32_t length = payloadLength < CAPI_REPLY_PART_SIZE ? payloadLength : CAPI_REPLY_PART_SIZE;
    std::memcpy(part, payload, length);
    std::memset(part + length, 0, CAPI_REPLY_PART_SIZE - length);
    g_Parts.dirtyEnd = std::max(g_Parts.dirtyEnd, size_t{index + 1u} * CAPI_REPLY_PART_SIZE);
}

// Every payload reaches the callback from the reply buffer (40 parts), whose bytes past the payload are
// zero to its end: a callback that trusts a record count of the reply reads zeros, never past a buffer.
uint8_t* StagePayload(const uint8_t* payload, uint32_t payloadLength) {
    uint8_t* buffer = g_Parts.Buffer();
    if (payload != buffer && payloadLength > 0) std::memmove(buffer, payload, payloadLength);
    if (g_Parts.dirtyEnd > payloadLength)
        std::memset(buffer + payloadLength, 0, g_Parts.dirtyEnd - payloadLength);
    g_Parts.dirtyEnd = payloadLength;
    return buffer;
}

void StoreLinkType(uint8_t* payload, uint32_t payloadLength, size_t offset, uint8_t linkType) {
    if (payload != nullptr && payloadLength > offset) payload[offset] = linkType;
}

void UpdateSequenceNumbers(CAPI_CONTROLLER_CONTEXT* context, const CAPI_PACKET_HEADER& header,
                           uint8_t* payload, uint32_t payloadLength) {
    const bool controllerRecord =
        header.includeStructType != 0 && header.errorCode == 0 && payload != nullptr;
    switch (header.commandCode) {
        case CAPI_REPLY_CONTROLLER_UPDATE:
            context->configSequenceNumber = header.configSequenceNumber;
            if (controllerRecord)
                StoreLinkType(payload, payloadLength, kControllerLinkTypeOffset, context->linkType);
            break;
        case CAPI_REPLY_U_GET_CONTROLLER_DATA:
            context->configSequenceNumber = header.configSequenceNumber;
            if (controllerRecord) {
                StoreLinkType(payload, payloadLength, kUnifiedControllerLinkTypeOffset, context->linkType);
            }
            break;
        case CAPI_REPLY_GET_DRIVE_LIST:
        case CAPI_REPLY_U_GET_DRIVE_LIST:
            context->driveListConfigSequenceNumber = header.configSequenceNumber;
            break;
        case CAPI_REPLY_GET_ARRAY_LIST:
        case CAPI_REPLY_U_GET_ARRAY_LIST:
            context->arrayListConfigSequenceNumber = header.configSequenceNumber;
            break;
        default: break;
    }
}

void DeliverPassThrough(const uint8_t* reply, uint32_t packetLength) {
    g_PassThrough.replyLength = packetLength;
    DebugPrint("packet from SC: CAPI_COMMAND_U_PASSTHROUGH");
    DumpPacket(0, reply, packetLength);
    if (g_PassThrough.reply != nullptr) std::memcpy(g_PassThrough.reply, reply, packetLength);
}

}  // namespace

int ReceivePacket(LMX_IOB* iob) {
    if (iob == nullptr || iob->pReceiveBuffer == nullptr || iob->pControllerContext == nullptr) return 0;
    uint8_t* reply = iob->pReceiveBuffer;
    CAPI_CONTROLLER_CONTEXT* context = iob->pControllerContext;
    CAPI_CALLBACK callback =
        iob->overrideCallback != nullptr ? iob->overrideCallback : CapiRegisteredCallback();
    const CAPI_ADDRESS controller = CapiControllerAddress(Context2Handle(context));

    if (iob->status == LMX_STATUS_COMMUNICATION_ERROR || iob->status == LMX_STATUS_TIMEOUT) {
        context->linkBusy = 0;
        Notify(callback,
               iob->status == LMX_STATUS_COMMUNICATION_ERROR ? CAPI_REPLY_COMMUNICATION_ERROR
                                                             : CAPI_REPLY_COMMUNICATION_TIMEOUT,
               1, controller, 0, 0, 0, 0, nullptr);
        return 0;
    }

    // The reply must lie within the receive buffer. The transport zeroes the buffer before each read, and
    // the byte count it reports is the I/O control's, not the packet's: the buffer is the bound.
    const uint32_t capacity = iob->maxRecLength;
    CAPI_PACKET_HEADER header;
    if (capacity < CAPI_PACKET_HEADER_SIZE) {
        RefuseReply(iob, callback, "receive buffer shorter than a packet header");
        return 0;
    }
    std::memcpy(&header, reply, sizeof header);
    // A header without the signature is damaged: none of its fields (its code, its lengths) can be trusted,
    // not even by the raw pass-through, and taking it as the answer would store zeros or another command's
    // data as the controller's.
    if (std::memcmp(header.signature, CAPI_PACKET_SIGNATURE, sizeof header.signature) != 0) {
        RefuseReply(iob, callback, "damaged header (no signature)");
        return 0;
    }
    const uint32_t packetLength = header.packetLength;
    if (packetLength < CAPI_PACKET_HEADER_SIZE || packetLength > capacity) {
        RefuseReply(iob, callback, "packet length outside the receive buffer");
        return 0;
    }

    if (g_PassThrough.active) {
        DeliverPassThrough(reply, packetLength);
        return 0;
    }

    PackCapiPacketHeader(PACK_CAPI_RECEIVE, &header);
    context->linkBusy = 0;

    if (header.versionMajor != CAPI_VERSION_MAJOR) {
        Notify(callback, CAPI_REPLY_CAPI_VERSION_MISMATCH, 1, controller, header.versionMajor,
               header.versionMinor, 0, 0, nullptr);
        FailExchange(iob);
        return 0;
    }

    uint8_t* payload = reply + CAPI_PACKET_HEADER_SIZE;
    uint32_t payloadLength = packetLength - CAPI_PACKET_HEADER_SIZE;
    if (header.includeCompressed == 1) {
        if (CapiCompressionBuffer() == nullptr) {
            ConsoleWritef("ReceivePacket: BUG! No uncompression buffer\n");
            FailExchange(iob);
            return 0;
        }
        uint8_t* target = IsEventReply(header.commandCode) ? context->pEventBuffer : context->pCapiBuffer;
        if (target == nullptr) {
            RefuseReply(iob, callback, "no buffer to decode into");
            return 0;
        }
        uint32_t decoded = 0;
        if (header.includeStructType != 0 && payloadLength > 0) {
            decoded = HSZRLEUncompress(payload, target, payloadLength, CAPI_RECEIVE_GENERAL_BUFFER_SIZE);
            if (decoded == 0) {
                DebugPrint(" uncompression error ");
                RefuseReply(iob, callback, "include data cannot be decoded");
                return 0;
            }
        }
        payload = target;
        payloadLength = decoded;
    }

    const bool multiPart = header.param5 != 0 && header.partCount > 1;
    if (multiPart) {
        if (!AcceptPart(header)) {
            RefuseReply(iob, callback, "part out of order");
            return 0;
        }
        const uint16_t index = header.partIndex;
        StorePart(index, payload, payloadLength);
        if (index + 1 < header.partCount) {
            g_Parts.nextIndex = static_cast<uint16_t>(index + 1);
            const CAPI_ADDRESS address = controller;
            BuildAndSendPacket(static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART), &address, 0, nullptr, 0,
                               header.param1, header.param2, header.param3, header.param4, header.param5,
                               header.partCount, static_cast<uint16_t>(index + 1));
            // The rest of the chain ran inside that request: delivered, or broken off.
            if (index == 0) g_Parts.End();
            return 0;
        }
        // The last part: the whole reply carries the first part's header and all parts as payload.
        const uint16_t count = header.partCount;
        header = g_Parts.firstHeader;
        header.packetLength = uint32_t{count} * CAPI_REPLY_PART_SIZE;
        payload = g_Parts.Buffer();
        payloadLength = header.packetLength;
        g_Parts.nextIndex = count;
    } else if (header.commandCode == CAPI_REPLY_NEXT_PART) {
        g_Parts.Break();  // a next-part request answered without a part ends the chain
    }

    payload = StagePayload(payload, payloadLength);
    PackReplyStruct(&header, payload, payloadLength, PACK_CAPI_RECEIVE);
    UpdateSequenceNumbers(context, header, payload, payloadLength);

    const int32_t errorCode = static_cast<int32_t>(header.errorCode);
    // A database rebuild inside a chunk's send (a rediscovery) sends commands of its own: their replies
    // are never the transfer's.
    if (!CapiDiscoveryRunning()) {
        if (ChunkedTransferTakesReply(header.commandCode, errorCode, controller.controllerHandle)) return 0;
        ChunkedTransferReplyDelivered(header.commandCode);
    }
    const CAPI_ADDRESS address = header.address;
    Notify(callback, header.commandCode, errorCode, address, header.param1, header.param2, header.param3,
           header.param4, payload);
    return 0;
}

void ResetReplyPath() { g_Parts = MultiPartReply{}; }
