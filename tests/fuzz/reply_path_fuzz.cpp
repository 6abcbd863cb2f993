// The reply path over whatever a controller might answer: one command, raw pass-through or write-buffer
// transfer is sent to a controller whose transport hands back the input's replies in turn (and is
// silent once they run out). Whatever the replies claim, nothing is read or written outside the buffers
// (each exactly its size), and the exchanges nest no deeper than one multi-part chain plus, for a
// transfer, its chunks and their resends.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/chunked_transfer.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/controller_handles.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi/reply_path.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/foundation/nt_os.h"
#include "fuzz_root.h"
#include "platform/time/clock.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr CAPI_HANDLE kHandle = CAPI_HANDLE_STEP;  // database entry 0
constexpr uint32_t kBufferSize = CAPI_RECEIVE_GENERAL_BUFFER_SIZE;
constexpr uint32_t kBufferChunk = 65536;  // chunk size of a write-buffer transfer
constexpr int kMaxResends = 4;            // resends of one chunk after a communication-error reply
uint8_t g_Image[3 * kBufferChunk + 100];  // a write-buffer image of four chunks

// One controller: its context and its buffers, each allocated at exactly its size.
struct Controller {
    CAPI_CONTROLLER_CONTEXT context{};
    std::unique_ptr<uint8_t[]> send{new uint8_t[kBufferSize]};
    std::unique_ptr<uint8_t[]> event{new uint8_t[kBufferSize]};
    std::unique_ptr<uint8_t[]> compression{new uint8_t[kBufferSize]};
    std::unique_ptr<uint8_t[]> passRequest{new uint8_t[kBufferSize]};
    std::unique_ptr<uint8_t[]> passReply{new uint8_t[kBufferSize]};
};
Controller* g_Controller = nullptr;

// The replies of this input, read in turn: each is a steering byte, a 16-bit length and that many bytes.
struct Replies {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    int depth = 0;     // exchanges nested inside one another
    int maxDepth = 0;  // the most this run may nest
};
Replies g_Replies;

CAPI_CONTROLLER_CONTEXT* ContextOf(uint32_t index) { return index == 0 ? &g_Controller->context : nullptr; }
CAPI_HANDLE HandleOf(uint32_t index) { return index == 0 ? kHandle : 0; }
void SetResponds(CAPI_HANDLE, uint8_t) {}
int32_t FindBySerialNumber(const uint8_t*) { return -1; }
void Rebuild() {}
const CapiControllerTable kTable = {&ContextOf, &HandleOf, &SetResponds, &FindBySerialNumber, &Rebuild};

// Steering bits let the fuzzer reach the reply handling quickly: a current version, a packet length
// that matches what arrived, the multi-part marker, a first part.
void Steer(uint8_t steering, uint8_t* reply, uint32_t length) {
    if (length < CAPI_PACKET_HEADER_SIZE) return;
    if (steering & 1) reply[offsetof(CAPI_PACKET_HEADER, versionMajor)] = CAPI_VERSION_MAJOR;
    if (steering & 2) std::memcpy(reply + offsetof(CAPI_PACKET_HEADER, packetLength), &length, sizeof length);
    if (steering & 4) reply[offsetof(CAPI_PACKET_HEADER, param5)] = 1;
    if (steering & 8) {  // the first of three parts
        const uint16_t count = 3, index = 0;
        std::memcpy(reply + offsetof(CAPI_PACKET_HEADER, partCount), &count, sizeof count);
        std::memcpy(reply + offsetof(CAPI_PACKET_HEADER, partIndex), &index, sizeof index);
    }
}

void SendAndReceive(LMX_IOB* iob) {
    Check(++g_Replies.depth <= g_Replies.maxDepth);
    iob->linkType = LMX_LINK_TYPE_SCSI;
    iob->needRescan = 1;
    iob->status = LMX_STATUS_COMMUNICATION_ERROR;  // silence, unless a reply follows
    if (g_Replies.size - g_Replies.at >= 3) {
        const uint8_t* head = g_Replies.data + g_Replies.at;
        const size_t wanted = size_t{head[1]} << 8 | head[2];
        g_Replies.at += 3;
        const size_t available = g_Replies.size - g_Replies.at;
        const auto length = static_cast<uint32_t>(std::min({wanted, available, size_t{iob->maxRecLength}}));
        std::memcpy(iob->pReceiveBuffer, g_Replies.data + g_Replies.at, length);
        g_Replies.at += length;
        Steer(head[0], iob->pReceiveBuffer, length);
        iob->recLength = length;
        iob->status = LMX_STATUS_REPLY_RECEIVED;
        iob->errorCode = 0;
        if (length >= CAPI_PACKET_HEADER_SIZE) {
            std::memcpy(&iob->errorCode, iob->pReceiveBuffer + offsetof(CAPI_PACKET_HEADER, errorCode),
                        sizeof iob->errorCode);
        }
        iob->needRescan = 0;
        iob->callback(iob);
    }
    --g_Replies.depth;
}

void Initialize(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops) {
    *ops = LMX_OPS{};
    ops->sendAndReceive = &SendAndReceive;
    slot->linkType = LMX_LINK_TYPE_SCSI;
    complete(slot, LMX_STATE_READY);
}

// Reads the whole payload it is given, as the proxy's reply callback reads the records it stores.
void ReadPayload(uint32_t, int32_t, const CAPI_ADDRESS* address, uint32_t, uint32_t, uint32_t, uint32_t,
                 void* payload) {
    Check(address != nullptr);
    if (payload != nullptr) {
        volatile uint8_t first = *static_cast<const uint8_t*>(payload);
        (void)first;
    }
}

platform::VirtualClock* g_Clock = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Failed commands are written to the event log under the machine root: keep it out of the way.
    UseTemporaryMachineRoot("reply_path_fuzz");
    // Every try and every refused reply is printed; keep the run's log readable.
    Check(std::freopen("/dev/null", "w", stdout) != nullptr);

    static platform::VirtualClock clock;  // the retries' sleeps cost nothing
    g_Clock = &clock;
    platform::SetClock(&clock);
    static Controller controller;
    g_Controller = &controller;
    CAPI_SetControllerTable(&kTable);
    CAPI_RegisterCallback(&ReadPayload);
    g_LmxTable[0] = LMX_ENTRY{&Initialize, {}, 0, 0, nullptr};
    CAPI_Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    // One command nests at most one multi-part chain; a transfer nests its chunks and each chunk's resends
    // as well, and at most one chain at a time among them.
    constexpr int kChain = static_cast<int>(CAPI_MAX_REPLY_PARTS);
    constexpr int kChunks = (sizeof g_Image + kBufferChunk - 1) / kBufferChunk;
    const int maxDepth = (flags & 8) ? kChunks * (1 + kMaxResends) + kChain : kChain;
    g_Replies = Replies{data + 1, size - 1, 0, 0, maxDepth};

    Controller& c = *g_Controller;
    uint8_t done = 0;
    CAPI_HANDLE handle = 0;
    CAPI_FindNextController(1, &done, &handle, &c.context, c.send.get(), c.event.get());
    CAPI_SetCompressionBuffer((flags & 1) ? c.compression.get() : nullptr);
    g_StopFlag = 0;

    if (flags & 2) {
        // A raw pass-through of a well-formed request.
        std::memset(c.passRequest.get(), 0, CAPI_PACKET_HEADER_SIZE);
        const uint32_t length = CAPI_PACKET_HEADER_SIZE;
        std::memcpy(c.passRequest.get() + offsetof(CAPI_PACKET_HEADER, packetLength), &length, sizeof length);
        g_PassThrough.request = c.passRequest.get();
        g_PassThrough.reply = c.passReply.get();
        CAPI_PassThrough();
        Check(g_PassThrough.replyLength <= kBufferSize);
        g_PassThrough = {};
    } else if (flags & 8) {
        // A write-buffer transfer: each acknowledged chunk makes the reply path send the next.
        CAPI_WriteBuffer(kHandle, g_Image, sizeof g_Image, 0);
    } else {
        // An event command (its reply lands in the small event receive area) or a data command.
        const CAPI_ADDRESS address = CapiControllerAddress(kHandle);
        SendCapiCommand((flags & 4) ? 1022 : 1029, &address, 0, nullptr, 0, 0, 0, 0, 0, 0);
    }
    g_Clock->ClearSleeps();
    return 0;
}
