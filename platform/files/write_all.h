// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace platform {

// Writes the `size` bytes of `data`, going on after a short write and an interrupted call. Returns how many
// bytes were written: `size`, or fewer when a write failed (errno says why; EIO for a write that took
// nothing).
size_t WriteAll(int descriptor, const void* data, size_t size);

}  // namespace platform
