// The byte orders of a proxy exchange as the proxy itself converts them: a reply the proxy holds in host
// order turned to the network, and a request received from the network read back in host order.
#pragma once

#include <cstdint>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/reply_head.h"

namespace providertest {

// The commands without a converter of their own carry their head big-endian.
inline std::vector<uint8_t> NetworkReply(uint32_t code, std::vector<uint8_t> host) {
    const rre_wire::BufferFormat* format = rre_wire::BufferFormatOf(code);
    if (format == nullptr || !format->head) PackRreHeader(PACK_TO_NETWORK, host.data());
    PackRreBuffer(code, PACK_TO_NETWORK, host.data(), host.size());
    return host;
}

inline std::vector<uint8_t> HostRequest(uint32_t code, std::vector<uint8_t> network) {
    const rre_wire::BufferFormat* format = rre_wire::BufferFormatOf(code);
    if (format == nullptr || !format->head) PackRreHeader(PACK_FROM_NETWORK, network.data());
    PackRreBuffer(code, PACK_FROM_NETWORK, network.data(), network.size());
    return network;
}

}  // namespace providertest
