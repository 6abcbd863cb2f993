// A controller's management LUN: INQUIRY and its pages, TEST UNIT READY, and the CAPI exchange in
// WRITE BUFFER (request packet) and READ BUFFER (reply packet), with the controller's fault script.
#pragma once

#include <optional>

#include "sim/capi_responder.h"
#include "sim/fault_script.h"
#include "sim/journal.h"
#include "sim/scsi_request.h"

namespace sim {

class ManagementLun {
public:
    explicit ManagementLun(int controller) : controller_(controller) {}

    ScsiOutcome Execute(const ScsiRequest& request, StorageSystem& system, Journal& journal);

    CapiResponder& responder() { return responder_; }
    FaultScript& faults() { return faults_; }

private:
    ScsiOutcome WriteBuffer(const ScsiRequest& request, StorageSystem& system, Journal& journal);
    ScsiOutcome ReadBuffer(const ScsiRequest& request);

    int controller_;
    CapiResponder responder_;
    FaultScript faults_;
    std::optional<Packet> pendingReply_;
    bool replyLost_ = false;  // a "no reply" fault: reads time out until the next request
};

}  // namespace sim
