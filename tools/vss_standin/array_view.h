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

// Whether CORLINK_FABRIC names a fabric whose arrays can be shown.
bool ArraysVisible();
// The volumes of the fabric at socketPath; false when it could not be asked.
bool ReadArrayVolumes(const std::string& socketPath, std::vector<ArrayVolume>* volumes);
// Prints the snapshots on the arrays (of the fabric CORLINK_FABRIC names) as facts and returns how many
// there are; nothing (0) without a fabric.
size_t PrintArraySnapshots(CallLog& log);
// Prints the volumes with these serial texts (any case) that are on the arrays, with their kind and
// description, and returns how many of them are there; nothing (0) without a fabric.
size_t PrintArrayVolumes(CallLog& log, const std::vector<std::string>& serials);

}  // namespace standin
