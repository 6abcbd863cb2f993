// A simulated controller's CAPI side: one request packet in, the reply packet(s) out. Replies carry
// the controller's configuration sequence numbers; a payload above 0x40000 bytes goes out in parts,
// the first with the command's reply, each further one asked for with the next-part command.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "corlink/capi/capi_packet_header.h"
#include "sim/fabric_model.h"

namespace sim {

using Packet = std::vector<uint8_t>;

// What a command handler answers: a return code and, on success, an include of some type.
struct CapiAnswer {
    int32_t returnCode = 0;
    uint32_t includeType = 0;
    uint32_t params[4] = {};  // param1 to param4 of the reply
    std::vector<uint8_t> data;
    uint32_t replyCode = 0;   // 0: the command code + 1000 (a classic command names its own)
};

struct CapiRequest {
    const CAPI_PACKET_HEADER& header;
    const uint8_t* include;   // the include bytes that arrived (bounded by packetLength)
    uint32_t includeLength;
};

using CapiHandler = std::function<CapiAnswer(const CapiRequest&, StorageSystem&, int controller)>;

inline constexpr uint32_t kMaxReplyParts = 40;

class CapiResponder {
public:
    CapiResponder();  // answers the commands of discovery and of the controller database

    // Adds or replaces the handler of a command code.
    void SetHandler(uint32_t commandCode, CapiHandler handler) { handlers_[commandCode] = std::move(handler); }

    // The reply to one request packet from this controller of the system. A next-part request is
    // answered from the parts held since the multi-part reply began.
    Packet Answer(const uint8_t* request, uint32_t length, StorageSystem& system, int controller);
    // A reply with a return code and no data, as every refused command gets.
    Packet Refusal(const CAPI_PACKET_HEADER& request, int32_t returnCode, const StorageSystem& system,
                   int controller) const;

private:
    Packet NextPart(const CAPI_PACKET_HEADER& request, const StorageSystem& system, int controller);

    std::map<uint32_t, CapiHandler> handlers_;
    // Parts of the multi-part reply in progress (part 0 already sent), and the id in its param5.
    std::vector<Packet> heldParts_;
    uint32_t heldPartsId_ = 0;
    uint32_t nextPartsId_ = 1;
};

// The header fields of a packet, read by value (the packet may be shorter than a header: null).
bool ReadHeader(const uint8_t* packet, uint32_t length, CAPI_PACKET_HEADER* header);

}  // namespace sim
