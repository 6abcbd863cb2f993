// The reply packets of one controller: a reply carries the controller's configuration sequence numbers;
// a payload above 0x40000 bytes goes out in parts, the first with the command's reply, each further one
// asked for with the next-part command.
#pragma once

#include <cstdint>
#include <vector>

#include "corlink/capi_wire/capi_packet_header.h"
#include "sim/capi/call.h"
#include "sim/fabric_model.h"

namespace sim {

using Packet = std::vector<uint8_t>;

inline constexpr uint32_t kMaxReplyParts = 40;

class ReplyBuilder {
  public:
    // The reply to a request: the answer's code, params and data (its first part, the others held).
    Packet Reply(const CAPI_PACKET_HEADER& request, const CapiAnswer& answer, const StorageSystem& system,
                 int controller);
    // A reply with a return code and no data, as every refused command gets.
    Packet Refusal(const CAPI_PACKET_HEADER& request, int32_t returnCode, const StorageSystem& system,
                   int controller) const;
    // The part a next-part request asks for, from the parts held since the multi-part reply began.
    Packet NextPart(const CAPI_PACKET_HEADER& request, const StorageSystem& system, int controller);

  private:
    std::vector<Packet> heldParts_;
    uint32_t heldPartsId_ = 0;  // the id in the parts' param5
    uint32_t nextPartsId_ = 1;
};

// The header fields of a packet, read by value; false when the packet is shorter than a header.
bool ReadHeader(const uint8_t* packet, uint32_t length, CAPI_PACKET_HEADER* header);

}  // namespace sim
