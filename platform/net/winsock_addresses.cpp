#include "platform/net/winsock_addresses.h"

namespace {

bool LittleEndianHost() {
    const uint16_t probe = 1;
    return *reinterpret_cast<const uint8_t*>(&probe) == 1;
}

}  // namespace

uint32_t htonl(uint32_t value) { return LittleEndianHost() ? __builtin_bswap32(value) : value; }
uint32_t ntohl(uint32_t value) { return htonl(value); }
uint16_t htons(uint16_t value) { return LittleEndianHost() ? __builtin_bswap16(value) : value; }
uint16_t ntohs(uint16_t value) { return htons(value); }

ULONG inet_addr(const char* text) {
    if (text == nullptr) return INADDR_NONE;
    uint32_t parts[4] = {};
    int count = 0;
    const char* p = text;
    for (;;) {
        if (*p < '0' || *p > '9' || count == 4) return INADDR_NONE;
        uint32_t value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<uint32_t>(*p++ - '0');
            if (++digits > 3 || value > 255) return INADDR_NONE;
        }
        parts[count++] = value;
        if (*p == 0) break;
        if (*p++ != '.') return INADDR_NONE;
    }
    if (count != 4) return INADDR_NONE;
    return htonl(parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3]);
}
