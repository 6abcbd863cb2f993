#include "corlink/proxy_wire/controller_list_wire.h"

#include "corlink/capi/byte_order.h"
#include "corlink/capi/converter.h"
#include "corlink/capi/structure_converters.h"
#include "corlink/proxy_wire/reply_head.h"
#include "corlink/proxy_wire/storage_system_record.h"

void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer) {
    PackRreHeader(mode, buffer);
    SwapCapi32(mode, buffer + 8);
    SwapCapi32(mode, buffer + RRE_STORAGE_SYSTEMS_COUNT_OFFSET);
    capi::ConvertRecords(capi::Desc<STORAGE_SYSTEM>::value, mode, buffer + RRE_STORAGE_SYSTEMS_TABLE_OFFSET,
                         STORAGE_SYSTEM_TABLE_SIZE,
                         RRE_STORAGE_SYSTEMS_LENGTH - RRE_STORAGE_SYSTEMS_TABLE_OFFSET);
}

void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer) { PackRreHeader(mode, buffer); }

void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer) {
    PackRreHeader(mode, buffer);
    SwapCapi32(mode, buffer + RRE_UNIFIED_CONTROLLER_ID_OFFSET);
    PackCapiUnifiedController(
        mode, reinterpret_cast<CAPI_UNIFIED_CONTROLLER*>(buffer + RRE_UNIFIED_CONTROLLER_OFFSET));
}
