// A controller's management LUN: INQUIRY and its pages, TEST UNIT READY, and the CAPI exchange in
// WRITE BUFFER (request packet, handed to the dispatcher) and READ BUFFER (reply packet), with the
// controller's fault script and its multi-part replies.
#pragma once

#include <optional>

#include "sim/capi/dispatcher.h"
#include "sim/scsi_exchange.h"

namespace sim {

// What a management LUN works on: the pair, the host, the journal and the handlers tests installed.
struct LunContext {
    StorageSystem& pair;
    const Host& host;
    Journal& journal;
    const CommandOverrides& overrides;
};

class ManagementLun {
  public:
    explicit ManagementLun(int controller) : controller_(controller) {}

    // *changed: the command changed the pair's configuration.
    ScsiOutcome Execute(const ScsiRequest& request, const LunContext& context, bool* changed);

    FaultScript& faults() { return faults_; }

  private:
    ScsiOutcome WriteBuffer(const ScsiRequest& request, const LunContext& context, bool* changed);
    ScsiOutcome ReadBuffer(const ScsiRequest& request);

    int controller_;
    ReplyBuilder replies_;
    FaultScript faults_;
    std::optional<Packet> pendingReply_;
    bool replyLost_ = false;  // no reply is coming: reads time out until the next request
};

}  // namespace sim
