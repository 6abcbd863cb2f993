#include "corlink/capi/chunked_transfer.h"

#include <cstdio>

#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/log.h"

namespace {

constexpr uint32_t kFirmwareChunk = 10240;
constexpr uint32_t kBufferChunk = 65536;
constexpr uint32_t kFirmwareInclude = 13;
constexpr uint32_t kBufferInclude = 40;
constexpr uint32_t kMaxResends = 4;  // resends of one chunk after a communication-error reply

struct ChunkedTransfer {
    bool active = false;
    uint32_t command = 0;
    uint32_t ackReply = 0;       // the reply that acknowledges a chunk of this transfer
    bool numbersChunks = false;  // param2: the chunk number (firmware) or the byte offset (buffers)
    CAPI_ADDRESS address{};
    uint32_t includeType = 0;
    const uint8_t* next = nullptr;
    uint32_t remaining = 0;  // bytes after the chunk in flight
    uint32_t chunkSize = 0;
    uint32_t inFlight = 0;
    uint32_t lastPacket = 0;
    uint32_t counter = 0;
    uint32_t bytesSent = 0;
    uint32_t param2 = 0;
    uint32_t controllerId = 0;
    uint32_t resends = 0;
};
ChunkedTransfer g_Transfer;

// Cuts the next chunk from what remains. The chunk that takes the last bytes carries the last-packet
// flag, also when it is a full chunk (an image of an exact multiple of the chunk size).
void CutChunk(uint32_t available) {
    if (available <= g_Transfer.chunkSize) {
        g_Transfer.lastPacket = 1;
        g_Transfer.inFlight = available;
    } else {
        g_Transfer.inFlight = g_Transfer.chunkSize;
    }
    g_Transfer.remaining = available - g_Transfer.inFlight;
}

int32_t Start(uint32_t command, uint32_t ackReply, bool numbersChunks, CAPI_HANDLE handle,
              uint32_t includeType, uint32_t chunkSize, const uint8_t* image, uint32_t size, uint32_t offset,
              uint32_t controllerId) {
    g_Transfer = ChunkedTransfer{};
    g_Transfer.command = command;
    g_Transfer.ackReply = ackReply;
    g_Transfer.numbersChunks = numbersChunks;
    g_Transfer.address = CapiControllerAddress(handle);
    g_Transfer.includeType = includeType;
    g_Transfer.next = image;
    g_Transfer.chunkSize = chunkSize;
    g_Transfer.bytesSent = offset;
    g_Transfer.param2 = numbersChunks ? 0 : offset;
    g_Transfer.controllerId = controllerId;
    CutChunk(size);
    g_Transfer.active = true;
    return 0;
}

// The whole transfer runs nested inside the first chunk's send: when it returns, the transfer is over.
int32_t SendFirstChunk() {
    int32_t result = SendNextChunk();
    g_Transfer = ChunkedTransfer{};
    return result;
}

}  // namespace

int32_t SendNextChunk() {
    return SendCapiCommand(g_Transfer.command, &g_Transfer.address, g_Transfer.includeType, g_Transfer.next,
                           0, g_Transfer.inFlight, g_Transfer.param2, g_Transfer.lastPacket,
                           g_Transfer.controllerId, 0);
}

int32_t CAPI_UpdateControllerFirmware(CAPI_HANDLE handle, const uint8_t* image, uint32_t size) {
    Start(CAPI_COMMAND_NON_U_UPDATE_CONTROLLER_FIRMWARE, CAPI_REPLY_UPDATE_FIRMWARE, true, handle,
          kFirmwareInclude, kFirmwareChunk, image, size, 0, 0);
    return SendFirstChunk();
}

int32_t CAPI_U_UpdateControllerFirmware(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint8_t ab) {
    Start(CAPI_COMMAND_U_UPDATE_CONTROLLER_FIRMWARE, CAPI_REPLY_U_UPDATE_CONTROLLER_FIRMWARE, true, handle,
          kFirmwareInclude, kFirmwareChunk, image, size, 0, ab);
    return SendFirstChunk();
}

int32_t CAPI_WriteBuffer(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint32_t offset) {
    Start(CAPI_COMMAND_NON_U_WRITE_BUFFER, CAPI_REPLY_WRITE_BUFFER, false, handle, kBufferInclude,
          kBufferChunk, image, size, offset, 0);
    ConsoleWritef("CAPI_WriteBuffer: pImage=%p\n", static_cast<const void*>(image));
    ConsoleWritef("  iteration=0  remaining=%u  chunkSize=%u  sendSize=%u  lastPacket=%u\n",
                  g_Transfer.remaining, g_Transfer.chunkSize, g_Transfer.inFlight, g_Transfer.lastPacket);
    return SendFirstChunk();
}

int32_t CAPI_U_WriteBuffer(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint32_t offset,
                           uint8_t ab) {
    Start(CAPI_COMMAND_U_WRITE_BUFFER, CAPI_REPLY_U_WRITE_BUFFER, false, handle, kBufferInclude, kBufferChunk,
          image, size, offset, ab);
    ConsoleWritef("CAPI_U_WriteBuffer: pImage=%p\n", static_cast<const void*>(image));
    ConsoleWritef(
        "  iteration=0  param2=%u  remaining=%u  chunkSize=%u  sendSize=%u  lastPacket=%u  controllerId=%u\n",
        g_Transfer.param2, g_Transfer.remaining, g_Transfer.chunkSize, g_Transfer.inFlight,
        g_Transfer.lastPacket, g_Transfer.controllerId);
    return SendFirstChunk();
}

bool ChunkedTransferTakesReply(uint32_t replyCode, int32_t errorCode, CAPI_HANDLE replyingController) {
    if (!g_Transfer.active) return false;
    if (replyCode == CAPI_REPLY_COMMUNICATION_ERROR && (g_Transfer.remaining > 0 || g_Transfer.lastPacket)) {
        if (g_Transfer.resends >= kMaxResends) return false;
        ++g_Transfer.resends;
        g_Transfer.address.controllerHandle = replyingController;
        SendNextChunk();
        return true;
    }
    if (replyCode != g_Transfer.ackReply || g_Transfer.remaining == 0 || errorCode != 0) return false;
    g_Transfer.address.controllerHandle = replyingController;
    g_Transfer.next += g_Transfer.inFlight;
    g_Transfer.bytesSent += g_Transfer.inFlight;
    g_Transfer.resends = 0;
    ++g_Transfer.counter;
    CutChunk(g_Transfer.remaining);
    g_Transfer.param2 = g_Transfer.numbersChunks ? g_Transfer.counter : g_Transfer.bytesSent;
    SendNextChunk();
    return true;
}

void ChunkedTransferReplyDelivered(uint32_t replyCode) {
    g_Transfer.lastPacket = 0;
    if (g_Transfer.active &&
        (replyCode == g_Transfer.ackReply || replyCode == CAPI_REPLY_COMMUNICATION_ERROR)) {
        g_Transfer.active = false;
    }
}
