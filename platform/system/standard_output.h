// The standard output written without waiting for its reader: a pipe nobody reads, a terminal whose output
// is stopped or a closed output never holds the writing thread. Each call writes to whatever the standard
// output is at that moment (it may be redirected while the program runs).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Writes what the standard output takes at once of size bytes: the count it took, 0 when it takes
// nothing now, -1 when it is closed or failed.
long WriteStandardOutputNow(const void* data, size_t size);
// Waits up to ms of real time until the standard output would take more; false when it still would not.
bool WaitForStandardOutput(uint32_t ms);

}  // namespace platform
