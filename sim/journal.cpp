#include "sim/journal.h"

namespace sim {

void Journal::Record(const JournalEntry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(entry);
}

std::vector<JournalEntry> Journal::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

void Journal::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

}  // namespace sim
