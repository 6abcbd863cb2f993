// Zero-run decoder over arbitrary input and capacities: never writes past the capacity, and whatever it
// accepts survives an encode and decode round trip; the encoder's output always decodes back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "corlink/capi/hszrle.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Encodes and decodes `plain` with room to spare and checks it comes back unchanged.
void CheckRoundTrip(const uint8_t* plain, uint32_t length) {
    if (length == 0) return;
    std::vector<uint8_t> encoded(2 * static_cast<size_t>(length) + 1);
    const uint32_t n = HSZRLECompress(plain, encoded.data(), length, static_cast<uint32_t>(encoded.size()));
    Check(n > 0 && n < encoded.size());
    std::vector<uint8_t> decoded(length + 1);
    Check(HSZRLEUncompress(encoded.data(), decoded.data(), n, length + 1) == length);
    Check(std::memcmp(decoded.data(), plain, length) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The coders report every refused input on standard output; keep the run's log readable.
    Check(std::freopen("/dev/null", "w", stdout) != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t capacity = static_cast<uint32_t>(data[0]) << 8 | data[1];
    const uint8_t* input = data + 2;
    const auto inputLength = static_cast<uint32_t>(size - 2);

    // Exactly the capacity: a write past it is caught.
    std::unique_ptr<uint8_t[]> output(new uint8_t[capacity]);
    const uint32_t n = HSZRLEUncompress(input, output.get(), inputLength, capacity);
    Check(n == 0 || n < capacity);
    CheckRoundTrip(output.get(), n);
    CheckRoundTrip(input, inputLength);
    return 0;
}
