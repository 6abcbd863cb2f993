#include "corlink/proxy_wire/controller_list_wire.h"

#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"

void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer) {
    PackRreBuffer(RRE_GET_STORAGESYSTEMS, mode, buffer);
}

void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer) {
    PackRreBuffer(RRE_GET_NEED_UPDATE_CONTROLLER, mode, buffer);
}

void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer) {
    PackRreBuffer(RRE_GET_UNIFIED_CONTROLLER_DATA, mode, buffer);
}
