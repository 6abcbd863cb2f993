// The snapshot set the provider object builds: its identifier, its context, its state in the snapshot
// sequence and the LUNs recorded for it. The state changes only through the named transitions below.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/vss_interfaces.h"
#include "provider/controllers/lun_records.h"

// The states of a set; the values are those the debug log shows.
enum class SnapshotSetState : int32_t {
    None = 0,
    Preparing = 1,
    Prepared = 3,
    PreCommitted = 5,
    Committed = 7,
    Completed = 12,
    Failed = 13,
};

class BVSS_SnapshotSet {
  public:
    const VSS_ID& Id() const { return id_; }
    int32_t Context() const { return context_; }
    SnapshotSetState State() const { return state_; }
    // Between its start and its end: the snapshots the arrays made for it may still have to go.
    bool Unfinished() const;
    std::vector<BVSS_SnapshotInfo>& Luns() { return luns_; }
    const std::vector<BVSS_SnapshotInfo>& Luns() const { return luns_; }

    // The context the service asked for, as the provider stores it.
    void SetContext(int32_t context);
    // A set starts (or a volume joins it): preparing, under this identifier.
    void StartPreparing(const VSS_ID& id);
    // The steps of the sequence, each entered as its method begins or ends its work.
    void MarkPrepared();
    void MarkPreCommitted();
    void MarkCommitted();
    void MarkCompleted();
    // The set took the failure path or was aborted, its snapshots deleted.
    void MarkFailed();
    // The object unloaded: no set is in progress.
    void MarkNone();
    // The LUNs of an ended set are dropped when a new one starts.
    void DropLuns();
    // The set's snapshots are deleted: its LUNs and identifier are forgotten (its state stays).
    void Forget();

  private:
    std::vector<BVSS_SnapshotInfo> luns_;
    VSS_ID id_{};
    int32_t context_ = VSS_VOLSNAP_ATTR_DIFFERENTIAL;
    SnapshotSetState state_ = SnapshotSetState::None;
};
