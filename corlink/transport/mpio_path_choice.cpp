#include "corlink/transport/mpio_path_choice.h"

#include <algorithm>
#include <cinttypes>

#include "corlink/transport/mpio_log.h"

namespace {

constexpr int32_t kPolicyFailoverOnly = 1;
constexpr int32_t kPolicyWeightedFailover = 5;

// Whether path a ranks above path b: healthy, optimized, lighter, preferred, then the smaller id.
bool RanksAbove(const MPD_PATH& a, const MPD_PATH& b) {
    if (a.failed != b.failed) return a.failed < b.failed;
    if (a.optimized != b.optimized) return a.optimized > b.optimized;
    if (a.weight != b.weight) return a.weight < b.weight;
    if (a.preferred != b.preferred) return a.preferred > b.preferred;
    return a.pathId < b.pathId;
}

}  // namespace

uint64_t analyze(const mpd& device) {
    if (device.pathCount <= 1) return 0;
    if (device.policy == kPolicyFailoverOnly || device.policy == kPolicyWeightedFailover) {
        MpioLogAt(1, "analyze: returning 0 for FAILOVER policy path");
        return 0;
    }
    const uint32_t count = std::min(device.pathCount, MPD_MAX_PATHS);
    uint32_t best = 0;
    for (uint32_t i = 1; i < count; ++i) {
        if (RanksAbove(device.paths[i], device.paths[best])) best = i;
    }
    MpioLogAt(1, "selected path %" PRIx64, device.paths[best].pathId);
    return device.paths[best].pathId;
}
