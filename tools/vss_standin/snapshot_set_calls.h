// The snapshot service's calls for a hardware snapshot set and what follows in its life, as the service
// makes them of a hardware provider: the set over the given disks (AreLunsSupported, BeginPrepareSnapshot per
// volume, EndPrepareSnapshots, PreCommitSnapshots, CommitSnapshots, PostCommitSnapshots, GetTargetLuns,
// LocateLuns, a rescan of the host's disks, FillInLunInfo on each new disk, PreFinalCommitSnapshots,
// PostFinalCommitSnapshots), its abort, the masking of its snapshot LUNs (OnLunStateChange), their deletion
// (OnLunEmpty) and the resynchronisation of the volumes from them (ResyncLuns and its IVssAsync). Every
// record the provider fills is the service's to free, and is freed with CoTaskMemFree.
#pragma once

#include <string>
#include <vector>

#include "platform/com/vss_interfaces.h"
#include "tools/vss_standin/call_log.h"
#include "tools/vss_standin/lun_descriptions.h"
#include "tools/vss_standin/provider_library.h"

namespace standin {

// The steps of a set, in the service's order; a set is played up to one of them.
enum class SetStep {
    BeginPrepare,  // AreLunsSupported and BeginPrepareSnapshot for each volume
    EndPrepare,
    PreCommit,
    Commit,
    PostCommit,
    Import,  // GetTargetLuns, LocateLuns, the rescan and FillInLunInfo on each new disk
    PreFinalCommit,
    PostFinalCommit,
};
const char* SetStepName(SetStep step);

struct SnapshotSet {
    GUID id{};
    LONG context = VSS_VOLSNAP_ATTR_DIFFERENTIAL;
    std::vector<int> sourceDisks;  // one volume each
    LunArray sources;              // their descriptions, as the service built them
    // GetTargetLuns' descriptions of the snapshot LUNs, in the order of the sources
    LunArray targets;
    LunArray located;                // the targets as LocateLuns updated them
    std::vector<int> snapshotDisks;  // the new disks the rescan found, in the order of the targets
    LunArray snapshotLuns;           // their descriptions after FillInLunInfo, in the order of the targets
};

// What the finished job of ResyncLuns reported.
struct ResyncOutcome {
    HRESULT status = E_FAIL;
    INT progress = -1;
};

class ServiceStandIn {
  public:
    ServiceStandIn(ProviderLibrary& provider, CallLog& log) : provider_(provider), log_(log) {}

    // Plays the set's calls up to and including `last` (a new set ID first); the first failure ends it, is
    // returned, and is followed by AbortSnapshots as the service does. The set's sources are the disks'
    // descriptions.
    HRESULT CreateSet(SnapshotSet& set, SetStep last = SetStep::PostFinalCommit);
    // Plays the steps after `after` up to and including `last` for a set created up to `after`.
    HRESULT ContinueSet(SnapshotSet& set, SetStep after, SetStep last = SetStep::PostFinalCommit);
    HRESULT AbortSet(const SnapshotSet& set);
    // OnLunStateChange with VSS_ONLUNSTATECHANGE_DO_MASK_LUNS for the set's snapshot LUNs, then a rescan
    // that no longer finds their disks.
    HRESULT MaskSnapshotLuns(SnapshotSet& set);
    // OnLunEmpty for each snapshot LUN of the set.
    HRESULT DeleteSnapshotLuns(SnapshotSet& set);
    // ResyncLuns from the snapshot LUNs to the volumes, then Wait and QueryStatus of its job.
    HRESULT Resync(LunArray& snapshots, LunArray& volumes, ResyncOutcome* outcome = nullptr);

  private:
    HRESULT Prepare(SnapshotSet& set);
    HRESULT Sequence(SnapshotSet& set, SetStep step);
    HRESULT Import(SnapshotSet& set);
    HRESULT FindSnapshotDisks(SnapshotSet& set, const std::vector<int>& before);

    ProviderLibrary& provider_;
    CallLog& log_;
};

}  // namespace standin
