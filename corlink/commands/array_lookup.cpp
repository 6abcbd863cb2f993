#include "corlink/commands/array_lookup.h"

#include <algorithm>
#include <cstring>

#include "corlink/commands/controller_db.h"

int32_t FindArrayBySerial(int32_t index, const uint8_t* serial) {
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers || serial == nullptr) return -1;
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    const uint32_t count = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < count; ++a) {
        const CAPI_ARRAY& array = entry.arrays[a];
        const size_t length = std::min<size_t>(array.serialNumberLength, sizeof array.serialNumber);
        if (length != 0 && std::memcmp(array.serialNumber, serial, length) == 0) return static_cast<int32_t>(a);
    }
    return -1;
}
