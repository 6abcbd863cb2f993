// What kind of host interface a controller has, from its controller data, and what kind of host a
// host identity names.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_shared.h"

// By the busType of host channel 0 of database entry `index` (false for an index not in use).
bool IsFCHIM(int32_t index);
bool IsSASHIM(int32_t index);
bool IsiSCSIHIM(int32_t index);
// Some of the controller's host channels are iSCSI and some are not.
bool IsHybrid(int32_t index);

bool IsFlexIdType64Or128(const CAPI_FLEX_ID* id);
bool IsFlexIdType1(const CAPI_FLEX_ID* id);
