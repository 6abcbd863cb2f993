#include "platform/files/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

size_t WriteAll(int descriptor, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    size_t written = 0;
    while (written < size) {
        const ssize_t put = ::write(descriptor, bytes + written, size - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            break;
        }
        written += static_cast<size_t>(put);
    }
    return written;
}

}  // namespace platform
