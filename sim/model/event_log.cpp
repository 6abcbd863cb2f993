#include "sim/model/event_log.h"

namespace sim {

uint32_t AppendEvent(StorageSystem& system, Event event) {
    event.sequence = system.nextEventSequence++;
    if (system.nextEventSequence == 0) system.nextEventSequence = 1;  // 0 marks an empty record
    system.events.push_back(std::move(event));
    return system.events.back().sequence;
}

const Event* FindEvent(const StorageSystem& system, uint32_t sequence) {
    for (const Event& event : system.events) {
        if (event.sequence == sequence) return &event;
    }
    return nullptr;
}

std::vector<const Event*> EventsInRange(const StorageSystem& system, uint32_t first, uint32_t last,
                                        size_t limit) {
    std::vector<const Event*> found;
    for (const Event& event : system.events) {
        if (found.size() == limit) break;
        if (event.sequence >= first && event.sequence <= last) found.push_back(&event);
    }
    return found;
}

}  // namespace sim
