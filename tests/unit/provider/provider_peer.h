// The tests' one way into a provider object's private state: readers of its snapshot set, its controller
// set and its ports, and a few setters for states that take long to reach through the service's calls.
#pragma once

#include <vector>

#include "provider/vss/hardware_provider.h"

class BVSS_HardwareProviderTestPeer {
  public:
    static const BVSS_SnapshotSet& Set(const BVSS_HardwareProvider& provider) { return provider.mSet; }
    static std::vector<BVSS_SnapshotInfo>& Luns(BVSS_HardwareProvider& provider) {
        return provider.mSet.Luns();
    }
    static BVSS_RaidControllerSet& Controllers(BVSS_HardwareProvider& provider) {
        return provider.mRaidControllerSet;
    }
    static std::vector<FlexIDEntry>& Ports(BVSS_HardwareProvider& provider) { return provider.mFlexIDList; }
    static bool DiscoveryOff(const BVSS_HardwareProvider& provider) { return provider.mDiscoveryOff; }

    // Puts the set in this state by the transitions the sequence takes to it (its LUNs stay); a state past
    // None starts the set under this identifier.
    static void PutSetIn(BVSS_HardwareProvider& provider, SnapshotSetState state, const VSS_ID& id) {
        BVSS_SnapshotSet& set = provider.mSet;
        set.MarkNone();
        if (state == SnapshotSetState::None) return;
        set.StartPreparing(id);
        if (state == SnapshotSetState::Failed) return set.MarkFailed();
        using Step = void (BVSS_SnapshotSet::*)();
        for (Step step : {&BVSS_SnapshotSet::MarkPrepared, &BVSS_SnapshotSet::MarkPreCommitted,
                          &BVSS_SnapshotSet::MarkCommitted, &BVSS_SnapshotSet::MarkCompleted}) {
            if (set.State() == state) return;
            (set.*step)();
        }
    }
    // As if this object had switched the proxy's periodic discovery off for its set.
    static void MarkDiscoveryOff(BVSS_HardwareProvider& provider, bool off) { provider.mDiscoveryOff = off; }
};
