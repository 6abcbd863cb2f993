#include "corlink/proxy_protocol/request_cookie.h"

namespace {
// The initial permutation of the Data Encryption Standard, kept apart from the cipher's own tables: both
// peers must agree on these 64 numbers whatever becomes of the cipher.
// clang-format off
constexpr uint8_t kCookieTable[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};
// clang-format on
}  // namespace

uint32_t ProxyRequestCookie(uint32_t base, uint32_t sequence) {
    return base + sequence + kCookieTable[sequence & 63];
}
