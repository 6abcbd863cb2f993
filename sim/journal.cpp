#include "sim/journal.h"

namespace sim {

void Journal::Record(const JournalEntry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(entry);
}

void Journal::RecordDisk(const DiskJournalEntry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    diskEntries_.push_back(entry);
}

std::vector<JournalEntry> Journal::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

std::vector<DiskJournalEntry> Journal::DiskEntries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return diskEntries_;
}

void Journal::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    diskEntries_.clear();
}

}  // namespace sim
