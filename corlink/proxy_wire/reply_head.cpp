#include "corlink/proxy_wire/reply_head.h"

#include "corlink/capi_wire/byte_order.h"

void PackRreHeader(int32_t mode, uint8_t* buffer) {
    SwapCapi32(mode, buffer + 4);
    SwapCapi32(mode, buffer);
}
