// What the simulated fabric's arrays hold, for the stand-in's report: the volumes of every pair with their
// kind, serial and description, through the fabric's administration channel (CORLINK_FABRIC). Not a call
// of the snapshot service: it shows what the provider's calls did on the arrays.
#pragma once

#include <string>
#include <vector>

#include "tools/vss_standin/call_log.h"

namespace standin {

struct ArrayVolume {
    std::string kind;    // "standard", "master", "snapshot", "snap-pool"
    std::string serial;  // 32 hexadecimal digits
    std::string name;
    std::string description;
};

// The volumes of the fabric at socketPath; false when it could not be asked.
bool ReadArrayVolumes(const std::string& socketPath, std::vector<ArrayVolume>* volumes);
// Prints the snapshots on the arrays (of the fabric CORLINK_FABRIC names) as facts; nothing without one.
void PrintArraySnapshots(CallLog& log);

}  // namespace standin
