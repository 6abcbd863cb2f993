// A scripted transport for tests. It takes the CAPI library's transport slot, hands out N controllers
// when the library enumerates, records every packet sent and answers each exchange from a script: a reply
// packet, silence, an abandoned read, a "command already active" reply, a reply split into parts, or
// raw (malformed) bytes. Like the in-band transport it calls the I/O block's completion only when a
// reply arrived, before sendAndReceive returns.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

#include "corlink/capi/controller_context.h"

namespace testsupport {

// A copy of one packet the library sent, with its header fields decoded.
struct SentPacket {
    std::vector<uint8_t> bytes;
    CAPI_CONTROLLER_CONTEXT* context = nullptr;  // the context whose I/O block carried it
    uint32_t commandCode = 0;
    CAPI_ADDRESS address{};
    uint32_t includeType = 0;
    uint32_t errorCode = 0;
    uint32_t param[5] = {};  // param1 to param5
    uint16_t partCount = 0;
    uint16_t partIndex = 0;
    uint32_t packetLength = 0;
};

// The fields of a reply packet that a test builds.
struct ReplyPacket {
    uint32_t commandCode = 0;
    int32_t errorCode = 0;
    CAPI_ADDRESS address = CapiControllerAddress(0);
    uint32_t param[5] = {};  // param1 to param5
    uint32_t configSequenceNumber = 0;
    uint32_t includeType = 0;
    uint16_t partCount = 0;
    uint16_t partIndex = 0;
    uint8_t versionMajor = 3;
    uint8_t versionMinor = 10;
    std::vector<uint8_t> payload;  // the include data after the 80-byte header
};

// The packet bytes of a reply: header (packetLength = 80 + payload) and payload.
std::vector<uint8_t> BuildReplyPacket(const ReplyPacket& reply);

class FakeTransport {
  public:
    // Completion state that makes the initialise function never report completion.
    static constexpr int32_t kNeverCompletes = std::numeric_limits<int32_t>::min();
    static constexpr uint32_t kPartSize = 0x40000;

    // Takes slot 0 with `controllers` controllers; its initialise reports `completionState` (1 = ready).
    explicit FakeTransport(uint32_t controllers = 2, int32_t completionState = LMX_STATE_READY);
    ~FakeTransport();  // gives the slot back as it was
    FakeTransport(const FakeTransport&) = delete;
    FakeTransport& operator=(const FakeTransport&) = delete;

    // The controllers the enumeration hands out, in order; serial numbers 00 C0 FF 10 00 <n> (n from 1),
    // responding and ready, alternately controller A and B. Tests may edit them before enumerating.
    std::vector<PROCESSOR_DEVICE>& devices() { return devices_; }

    // ---- the script: each exchange takes the next step; an empty script answers with silence
    void Reply(const ReplyPacket& reply);
    void RawReply(std::vector<uint8_t> bytes);  // delivered as they are, e.g. malformed
    void Silence();                             // no reply: status 3, no completion
    void Abandon();                             // the reply read was abandoned: status 2, no completion
    void AlreadyActive(int32_t errorCode = 1);  // reply 409 (CAPI_REPLY_COMMAND_ALREADY_ACTIVE)
    // The payload in parts of kPartSize bytes: this exchange gets part 0 of `first` (param5 1 when
    // first's is 0), and each request 1380 for part k gets part k as reply 2380.
    void MultiPart(const ReplyPacket& first, std::vector<uint8_t> payload);

    const std::vector<SentPacket>& sent() const { return sent_; }
    size_t pendingSteps() const { return script_.size(); }
    uint32_t initializeCalls() const { return initializeCalls_; }
    uint32_t polls() const { return polls_; }
    // The most exchanges that were under way inside one another (a reply's completion sends the next).
    uint32_t maxNesting() const { return maxNesting_; }

  private:
    enum class StepKind { Bytes, Silence, Abandon, MultiPart };
    struct Step {
        StepKind kind;
        std::vector<uint8_t> bytes;  // Bytes: the reply; MultiPart: the whole payload
        ReplyPacket first;           // MultiPart
    };

    static void Initialize(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops);
    static void SendAndReceive(LMX_IOB* iob);
    static void Poll();
    static uint8_t FindNextController(uint32_t first, uint32_t* lastTime, CAPI_CONTROLLER_CONTEXT* context);

    void Record(const LMX_IOB& iob);
    Step NextStep(const SentPacket& request);
    std::vector<uint8_t> PartReply(uint16_t index) const;
    static void Deliver(LMX_IOB* iob, const std::vector<uint8_t>& reply);

    std::vector<PROCESSOR_DEVICE> devices_;
    int32_t completionState_;
    LMX_ENTRY savedSlot_;
    std::deque<Step> script_;
    std::vector<SentPacket> sent_;
    // The multi-part reply whose further parts are being asked for.
    bool partsPending_ = false;
    ReplyPacket partsHeader_;
    std::vector<uint8_t> partsPayload_;
    uint32_t enumerationIndex_ = 0;
    uint32_t initializeCalls_ = 0;
    uint32_t polls_ = 0;
    uint32_t nesting_ = 0;
    uint32_t maxNesting_ = 0;
};

}  // namespace testsupport
