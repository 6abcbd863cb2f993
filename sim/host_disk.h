// The host's disks: INQUIRY and its pages, TEST UNIT READY, SYNCHRONIZE CACHE; a partition mapped to the
// host, or a disk of the host's own.
#pragma once

#include "sim/fabric_model.h"
#include "sim/scsi_exchange.h"

namespace sim {

ScsiOutcome ExecuteHostDiskCommand(const StorageSystem& system, const Partition& partition,
                                   const ScsiRequest& request);
ScsiOutcome ExecuteLocalDiskCommand(const LocalDisk& disk, const ScsiRequest& request);

}  // namespace sim
