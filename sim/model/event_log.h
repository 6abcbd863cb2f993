// The pair's event log: events enter it with the next sequence number and leave it only when cleared.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/model/pair.h"

namespace sim {

// Sequence numbers never repeat, also across a clear of the log.
uint32_t AppendEvent(StorageSystem& system, Event event);
// The event with this sequence number, or null.
const Event* FindEvent(const StorageSystem& system, uint32_t sequence);
// The events whose sequence numbers lie from first to last, oldest first, at most `limit` of them.
std::vector<const Event*> EventsInRange(const StorageSystem& system, uint32_t first, uint32_t last,
                                        size_t limit);

}  // namespace sim
