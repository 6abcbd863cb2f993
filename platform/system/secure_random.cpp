#include "platform/system/secure_random.h"

#include <sys/random.h>

#include <cerrno>

namespace platform {

bool SecureRandomBytes(void* buffer, size_t size) {
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        ssize_t n = ::getrandom(p, size, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SecureRandomBelow(uint32_t bound, uint32_t* value) {
    if (bound == 0) return false;
    const uint32_t limit = UINT32_MAX - (UINT32_MAX % bound);  // reject the uneven tail
    for (;;) {
        uint32_t r;
        if (!SecureRandomBytes(&r, sizeof r)) return false;
        if (r < limit) {
            *value = r % bound;
            return true;
        }
    }
}

}  // namespace platform
