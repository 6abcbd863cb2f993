// The standard output written without waiting for its reader: a pipe nobody reads, a terminal whose output
// is stopped or a closed output never holds the writing thread. Each call writes to whatever the standard
// output is at that moment (it may be redirected while the program runs).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// What WriteStandardOutputNow answers when the output took nothing.
// The output is gone for good (its reader left, EPIPE; no descriptor, EBADF ...): no later write can pass.
constexpr long kStandardOutputClosed = -1;
// This write failed, a later one may pass (a full disk, ENOSPC; an I/O error): its text is lost.
constexpr long kStandardOutputFailed = -2;

// Writes what the standard output takes at once of size bytes: the count it took, 0 when it takes
// nothing now, kStandardOutputClosed or kStandardOutputFailed.
long WriteStandardOutputNow(const void* data, size_t size);
// Waits up to ms of real time until the standard output would take more; false when it still would not.
bool WaitForStandardOutput(uint32_t ms);

}  // namespace platform
