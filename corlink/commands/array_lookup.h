// Finding an array of a database entry by its serial number.
#pragma once

#include <cstdint>

// The first array of entry `index` whose serialNumber equals `serial` over the array's own
// serialNumberLength bytes; -1 when none does (an array without a serial length matches nothing).
int32_t FindArrayBySerial(int32_t index, const uint8_t* serial);
