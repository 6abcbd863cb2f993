// The fabric's record of every CAPI command a controller received, so that tests can assert what was
// sent and when.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/fabric_model.h"

namespace sim {

struct JournalEntry {
    uint32_t timeMs = 0;           // GetTickCount when the command arrived
    std::string controller;        // the controller's serial text
    ScsiAddress lun;               // the management LUN it arrived through
    uint32_t commandCode = 0;
    uint32_t address[4] = {};      // controller handle and the three selectors
    uint32_t includeType = 0;
    uint32_t params[5] = {};
    uint16_t partIndex = 0;
    std::string fault;             // the injected fault that met it, empty for none
};

class Journal {
public:
    void Record(const JournalEntry& entry);
    std::vector<JournalEntry> Entries() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<JournalEntry> entries_;
};

}  // namespace sim
