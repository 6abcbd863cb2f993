// What every CAPI command shares, in one place: the half's state, the fault queue, the journal, the
// include check, the handler (a row's, or one a test installed), and after a successful change the pair's
// sequence numbers; the caller then derives the host's disks again.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "sim/capi/call.h"
#include "sim/capi/reply_builder.h"
#include "sim/fault_script.h"
#include "sim/journal.h"

namespace sim {

// A handler a test installs in place of a command's own (or for a command without a row).
struct CapiRequest {
    const CAPI_PACKET_HEADER& header;
    const uint8_t* include;  // the include bytes that arrived (bounded by packetLength)
    uint32_t includeLength;
};
using CapiHandler = std::function<CapiAnswer(const CapiRequest&, StorageSystem&, int controller)>;
using CommandOverrides = std::map<uint32_t, CapiHandler>;

struct DispatchContext {
    StorageSystem& pair;
    int half;
    const Host& host;
    Journal& journal;
    const CommandOverrides& overrides;
    FaultScript& faults;
    ReplyBuilder& replies;
};

// What becomes of one request packet.
struct Delivery {
    enum class Kind { Reply, NoReply, PaperJam, BusReset, Vanish } kind = Kind::Reply;
    Packet packet;
    bool changed = false;  // the pair's configuration changed
};

Delivery Dispatch(const uint8_t* request, uint32_t length, const DispatchContext& context);

}  // namespace sim
