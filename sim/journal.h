// The fabric's record of every CAPI command a controller received (with its include bytes) and of every
// host-disk command, so that tests can assert what was sent and when.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/fabric_model.h"

namespace sim {

struct JournalEntry {
    uint32_t timeMs = 0;     // GetTickCount when the command arrived
    std::string controller;  // the controller's serial text
    int half = 0;            // 0 = A, 1 = B
    ScsiAddress lun;         // the management LUN it arrived through
    uint32_t commandCode = 0;
    uint32_t address[4] = {};  // controller handle and the three selectors
    uint32_t includeType = 0;
    uint32_t params[5] = {};
    uint16_t partIndex = 0;
    std::vector<uint8_t> include;  // the include bytes that arrived
    std::string fault;             // the injected fault or the half's state that met it, empty for none
};

// One command to a host disk and how it ended.
struct DiskJournalEntry {
    uint32_t timeMs = 0;
    uint32_t disk = 0;    // its PhysicalDrive number
    ScsiAddress address;  // the path it went through
    std::vector<uint8_t> cdb;
    uint32_t timeoutSeconds = 0;
    std::string outcome;  // "good", "check 5/24/00", "error 55"
    std::string fault;
};

class Journal {
  public:
    void Record(const JournalEntry& entry);
    void RecordDisk(const DiskJournalEntry& entry);
    std::vector<JournalEntry> Entries() const;
    std::vector<DiskJournalEntry> DiskEntries() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::vector<JournalEntry> entries_;
    std::vector<DiskJournalEntry> diskEntries_;
};

}  // namespace sim
