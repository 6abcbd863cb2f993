// The system's secure random generator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {
// Fills the buffer; false when the generator failed.
bool SecureRandomBytes(void* buffer, size_t size);
// A uniform value in [0, bound) (bound > 0) without modulo bias; false when the generator failed.
bool SecureRandomBelow(uint32_t bound, uint32_t* value);
}  // namespace platform
