// The reply the proxy sends: the host-order buffer a test wrote, turned to the network by the proxy's
// converter; the commands without one carry their head big-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "corlink/capi/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/reply_head.h"

namespace providertest {

inline std::vector<uint8_t> NetworkReply(uint32_t code, std::vector<uint8_t> host) {
    const rre_wire::BufferFormat* format = rre_wire::BufferFormatOf(code);
    if (format != nullptr && format->head) {
        PackRreBuffer(code, PACK_TO_NETWORK, host.data(), host.size());
    } else {
        PackRreHeader(PACK_TO_NETWORK, host.data());
        PackRreBuffer(code, PACK_TO_NETWORK, host.data(), host.size());
    }
    return host;
}

}  // namespace providertest
