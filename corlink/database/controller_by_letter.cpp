#include "corlink/database/controller_by_letter.h"

#include "corlink/capi/processor_device.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"

int32_t FindControllerByLetter(char letter) {
    uint8_t wanted = 0;
    switch (letter) {
        case 'A':
        case 'a': wanted = PROCESSOR_DEVICE_ID_A; break;
        case 'B':
        case 'b': wanted = PROCESSOR_DEVICE_ID_B; break;
        default: return -1;
    }
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const auto index = static_cast<int32_t>(i);
        if (RefreshController(index) != 0) continue;
        if (ProcessorDeviceOf(g_ControllerDb[i]).id == wanted) return index;
    }
    return -1;
}
