// The data a simulated controller returns, built in the product's own CAPI structures from the model.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/fabric_model.h"

namespace sim {

// CAPI_UNIFIED_CONTROLLER of the pair: half 1 is controller A, half 0 controller B.
std::vector<uint8_t> UnifiedControllerPayload(const StorageSystem& system);
// The arrays as CAPI_ARRAY records.
std::vector<uint8_t> ArrayListPayload(const StorageSystem& system);
// The drives as CAPI_UNIFIED_DRIVE records.
std::vector<uint8_t> DriveListPayload(const StorageSystem& system);

}  // namespace sim
