// The reply converter over arbitrary headers and payloads: whatever counts the header claims, no byte
// outside the payload is touched (the payload lives in a buffer of exactly its length), and converting
// twice in the network modes gives back the bytes it started with.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "corlink/capi/reply_converter.h"
#include "corlink/capi_wire/byte_order.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Steers most inputs to reply codes the converter knows.
constexpr uint32_t kInterestingCodes[] = {311,  336,  344,  346,  363,  364,  374,  375,  383,  386,
                                          390,  392,  394,  395,  407,  413,  2001, 2002, 2003, 2025,
                                          2050, 2073, 2097, 2110, 2113, 2115, 2150, 2163, 2181, 2182,
                                          2201, 2202, 2210, 2220, 2230, 2233, 2281, 324,  2200, 2081};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(CAPI_PACKET_HEADER) + 2) return 0;
    CAPI_PACKET_HEADER header;
    std::memcpy(&header, data, sizeof header);
    const uint8_t selector = data[sizeof header];
    const int32_t mode = static_cast<int8_t>(data[sizeof header + 1]);
    if (selector < 200) header.commandCode = kInterestingCodes[selector % std::size(kInterestingCodes)];

    const uint8_t* payloadBytes = data + sizeof header + 2;
    const size_t payloadLength = size - sizeof header - 2;
    std::vector<uint8_t> payload(payloadBytes, payloadBytes + payloadLength);

    PackReplyStruct(&header, payload.data(), payload.size(), mode);
    if (PackModeConverts(mode)) {
        PackReplyStruct(&header, payload.data(), payload.size(), PACK_FROM_NETWORK);
    }
    Check(payload.empty() || std::memcmp(payload.data(), payloadBytes, payloadLength) == 0);
    return 0;
}
