// The cached multipath state of one device and the choice of the path its buffer commands take.
#pragma once

#include <cstdint>
#include <string>

#include "platform/devices/scsi_layouts.h"

constexpr uint32_t MPD_MAX_PATHS = 32;

struct MPD_PATH {
    uint64_t pathId;        // DsmPathId
    uint32_t primary;       // PrimaryPath
    uint32_t preferred;     // PreferredPath
    uint32_t weight;        // PathWeight
    uint32_t optimized;     // OptimizedPath
    uint32_t failed;        // FailedPath
    uint32_t tpgPreferred;  // TargetPortGroup_Preferred
};

struct mpd {
    std::string instanceName;  // the disk's PNP device id
    int32_t policy = 0;        // LoadBalancePolicy
    uint32_t pathCount = 0;    // DSMPathCount
    uint64_t chosenPath = 0;   // 0 while none is chosen
    SCSI_ADDRESS address{};    // of the chosen path
    MPD_PATH paths[MPD_MAX_PATHS]{};
};

// The path id to use, or 0 when there is no choice (one path or none, a failover policy).
uint64_t analyze(const mpd& device);
