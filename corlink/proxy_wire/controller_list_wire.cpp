#include "corlink/commands/controller_list_converters.h"

#include "corlink/capi/byte_order.h"
#include "corlink/capi/converter.h"
#include "corlink/capi/structure_converters.h"
#include "corlink/commands/storage_system.h"

namespace {

void SwapWords(int32_t mode, uint8_t* buffer, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) SwapCapi32(mode, buffer + 4 * i);
}

}  // namespace

void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer) {
    SwapWords(mode, buffer, 4);
    capi::ConvertRecords(capi::Desc<STORAGE_SYSTEM>::value, mode, buffer + RRE_STORAGE_SYSTEMS_TABLE_OFFSET,
                         STORAGE_SYSTEM_TABLE_SIZE,
                         RRE_STORAGE_SYSTEMS_LENGTH - RRE_STORAGE_SYSTEMS_TABLE_OFFSET);
}

void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer) {
    SwapWords(mode, buffer, 2);
}

void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer) {
    SwapWords(mode, buffer, 3);
    PackCapiUnifiedController(
        mode, reinterpret_cast<CAPI_UNIFIED_CONTROLLER*>(buffer + RRE_UNIFIED_CONTROLLER_OFFSET));
}
