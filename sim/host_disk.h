// A host disk (a volume mapped to the host): INQUIRY and its pages, TEST UNIT READY, SYNCHRONIZE CACHE.
#pragma once

#include "sim/fabric_model.h"
#include "sim/scsi_request.h"

namespace sim {

ScsiOutcome ExecuteHostDiskCommand(const StorageSystem& system, const Volume& volume, const ScsiRequest& request);

}  // namespace sim
