// The snapshot set's transitions: the one place its state, identifier, context and LUN list change as a
// whole.
#include "provider/vss/snapshot_set.h"

bool BVSS_SnapshotSet::Unfinished() const {
    return state_ != SnapshotSetState::None && state_ != SnapshotSetState::Completed &&
           state_ != SnapshotSetState::Failed;
}

void BVSS_SnapshotSet::SetContext(int32_t context) { context_ = context; }

void BVSS_SnapshotSet::StartPreparing(const VSS_ID& id) {
    state_ = SnapshotSetState::Preparing;
    id_ = id;
}

void BVSS_SnapshotSet::MarkPrepared() { state_ = SnapshotSetState::Prepared; }

void BVSS_SnapshotSet::MarkPreCommitted() { state_ = SnapshotSetState::PreCommitted; }

void BVSS_SnapshotSet::MarkCommitted() { state_ = SnapshotSetState::Committed; }

void BVSS_SnapshotSet::MarkCompleted() { state_ = SnapshotSetState::Completed; }

void BVSS_SnapshotSet::MarkFailed() { state_ = SnapshotSetState::Failed; }

void BVSS_SnapshotSet::MarkNone() { state_ = SnapshotSetState::None; }

void BVSS_SnapshotSet::DropLuns() { luns_.clear(); }

void BVSS_SnapshotSet::Forget() {
    luns_.clear();
    id_ = VSS_ID{};
}
