// The snapshot-set state machine: the four sequence methods with their state and identifier checks and
// failure path, the final-commit notifications, the abort, the deletion of an aborted set's snapshots and
// the recording of the set identifier on the array.
#include <cstdio>
#include <string>

#include "platform/com/com_classes.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/host/cache_flush.h"
#include "provider/vss/hardware_provider.h"

namespace {

// The first 16 bytes of a partition ID as 32 lower-case hexadecimal digits.
std::string IdText(const BYTE* id) {
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", id[i]);
    return text;
}

// A GUID as "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" in upper case: the registry form without its braces.
std::string GuidText(const GUID& guid) { return platform::GuidText(guid).substr(1, 36); }

}  // namespace

template <class Steps>
HRESULT BVSS_HardwareProvider::SequenceStep(const WCHAR* name, const VSS_ID& snapshotSetId,
                                            SnapshotSetState requiredState, Steps steps,
                                            DiscoveryAtEnd discovery) {
    BVSS_LogGuid("SnapshotSetId", snapshotSetId);
    BVSS_CritSecLock lock(&mCritSec);
    HRESULT result = S_OK;
    if (mSet.State() != requiredState) {
        LogErrorEvent(L"%1$s called out of order", name);
        result = VSS_E_PROVIDER_VETO;
    } else if (snapshotSetId != mSet.Id()) {
        LogErrorEvent(L"Unexpected snapshot set ID during %1$s", name);
        result = VSS_E_OBJECT_NOT_FOUND;
    } else {
        result = CatchHresult(steps);
    }
    if (result != S_OK) {
        const HRESULT deleted = CatchHresult([&] { return DeleteAbortedSnapshots(); });
        RestoreDiscovery(discovery != DiscoveryAtEnd::IfSwitchedOff);
        if (FAILED(deleted)) {
            result = deleted;  // the snapshots not deleted stay listed for the next deletion
        } else {
            mSet.MarkFailed();
        }
    } else if (discovery == DiscoveryAtEnd::Always) {
        RestoreDiscovery(true);
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::EndPrepareSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::EndPrepareSnapshots");
    return SequenceStep(
        L"EndPrepareSnapshots", snapshotSetId, SnapshotSetState::Preparing,
        [&]() -> HRESULT {
            mSet.MarkPrepared();
            HRESULT result = scsiSynchronizeCacheAll(0);
            if (ProviderParameters().StandardVolumesAreSupported == kStandardVolumesSupported) {
                result = mRaidControllerSet.calculateReserveSize(mSet.Luns());
                if (FAILED(result)) throw result;
                result = mRaidControllerSet.createReserveSpace(mSet.Luns());
                if (FAILED(result)) throw result;
            }
            if ((mSet.Context() & VSS_VOLSNAP_ATTR_DIFFERENTIAL) != 0)
                result = mRaidControllerSet.createSnapshots(mSet.Luns(), 0, 1,
                                                            static_cast<uint32_t>(mSet.Context()), 1);
            if (result == S_OK) {
                mRaidControllerSet.capiSetDiscvoryFlag(0);  // no rediscovery until the set ends
                mDiscoveryOff = true;
            }
            return result;
        },
        DiscoveryAtEnd::IfSwitchedOff);
}

HRESULT BVSS_HardwareProvider::PreCommitSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::PreCommitSnapshots");
    return SequenceStep(
        L"PreCommitSnapshots", snapshotSetId, SnapshotSetState::Prepared,
        [&]() -> HRESULT {
            mSet.MarkPreCommitted();
            scsiSynchronizeCacheAll(1);  // the flushes' results do not decide
            scsiSynchronizeCacheAll(0);
            return S_OK;
        },
        DiscoveryAtEnd::OnFailure);
}

HRESULT BVSS_HardwareProvider::CommitSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::CommitSnapshots");
    return SequenceStep(
        L"CommitSnapshots", snapshotSetId, SnapshotSetState::PreCommitted,
        [&]() -> HRESULT {
            const uint32_t context = static_cast<uint32_t>(mSet.Context());
            if (mRaidControllerSet.commitSnapshots(mSet.Luns(), 1, context, 1) != S_OK)
                throw VSS_E_PROVIDER_VETO;
            HRESULT result = S_OK;
            // A plex that is not differential: the full copies start now.
            if ((context & VSS_VOLSNAP_ATTR_PLEX) != 0 && (context & VSS_VOLSNAP_ATTR_DIFFERENTIAL) == 0)
                result = mRaidControllerSet.createSnapshots(mSet.Luns(), 0, 1, context, 1);
            mSet.MarkCommitted();
            return result;
        },
        DiscoveryAtEnd::OnFailure);
}

HRESULT BVSS_HardwareProvider::PostCommitSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::PostCommitSnapshots");
    return SequenceStep(
        L"PostCommitSnapshots", snapshotSetId, SnapshotSetState::Committed,
        [&]() -> HRESULT {
            mSet.MarkCompleted();
            return S_OK;
        },
        DiscoveryAtEnd::Always);
}

HRESULT BVSS_HardwareProvider::PreFinalCommitSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::PreFinalCommitSnapshots");
    BVSS_LogGuid("SnapshotSetId", snapshotSetId);
    return S_OK;
}

HRESULT BVSS_HardwareProvider::PostFinalCommitSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::PostFinalCommitSnapshots");
    BVSS_LogGuid("SnapshotSetId", snapshotSetId);
    const HRESULT result = CatchHresult([&] { return RecordSnapshotSetId(snapshotSetId); });
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::AbortSnapshots(VSS_ID snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::AbortSnapshots");
    BVSS_LogGuid("SnapshotSetId", snapshotSetId);
    BVSS_CritSecLock lock(&mCritSec);
    BVSS_DebugPrint(L"mVSSState=0x%x\n", static_cast<int32_t>(mSet.State()));
    HRESULT result = CatchHresult([&] { return DeleteAbortedSnapshots(); });
    RestoreDiscovery(false);
    if (SUCCEEDED(result)) {
        mSet.MarkFailed();
        result = S_OK;
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::DeleteAbortedSnapshots() {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::DeleteAbortedSnapshots");
    BVSS_CritSecLock lock(&mCritSec);
    // One deletion step of an entry; false when it failed (the error event written, *result set).
    auto step = [](const BYTE* id, HRESULT* result, auto run) {
        *result = VSS_E_PROVIDER_VETO;
        try {
            *result = run();
        } catch (const std::bad_alloc&) {
            *result = S_OK;  // the walk goes on
        } catch (HRESULT raised) {
            *result = raised;
        }
        if (SUCCEEDED(*result)) return true;
        LogErrorEvent(L"%S:%S=%S.", "DeleteAbortedSnapshots() unable to delete snapshot for LUN",
                      "serial number", IdText(id).c_str());
        return false;
    };
    HRESULT result = S_OK;
    for (BVSS_SnapshotInfo& entry : mSet.Luns()) {
        BVSS_CapiRaidController* controller = entry.mSnapshot.mController;
        if (entry.mCreated) {
            // A snapshot deleted is no longer the entry's: a later deletion of the set does not ask again.
            if (!step(entry.mSnapshot.mSerialNumber, &result, [&] {
                    return controller != nullptr
                               ? controller->capiDeleteSnapshot(entry.mSnapshot.mSerialNumber, 0)
                               : VSS_E_PROVIDER_VETO;
                }))
                return result;
            entry.mCreated = 0;
        }
        // What creates of the entry left beside its snapshot, where that could not be looked for yet.
        if (controller == nullptr) controller = entry.mSource.mController;
        if (!entry.mUnsweptNames.empty() && !step(entry.mSource.mSerialNumber, &result, [&] {
                return controller != nullptr ? controller->deleteUnrecordedSnapshots({&entry})
                                             : VSS_E_PROVIDER_VETO;
            }))
            return result;
    }
    BVSS_LogGuid("mSetId", mSet.Id());
    mSet.Forget();
    BVSS_DebugPrint(L"DeleteAbortedSnapshots() returning.\n");
    return S_OK;
}

HRESULT BVSS_HardwareProvider::RecordSnapshotSetId(const VSS_ID& snapshotSetId) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::RecordSnapshotSetId");
    BVSS_CritSecLock lock(&mCritSec);
    if (static_cast<int32_t>(ProviderParameters().RecordSnapshotSetIds) <= 0) return S_OK;
    if (snapshotSetId != mSet.Id()) {
        BVSS_DebugPrint(L"Current SnapshotSetId %S != mSetId %S.\n", GuidText(snapshotSetId).c_str(),
                        GuidText(mSet.Id()).c_str());
        return S_OK;
    }
    HRESULT result = S_OK;
    for (BVSS_SnapshotInfo& entry : mSet.Luns()) {
        if (!entry.mCreated) continue;
        const std::string id = IdText(entry.mSnapshot.mSerialNumber);
        BVSS_DebugPrint(L"Updating snapshot %S with SnapshotSetID %S.\n", id.c_str(),
                        GuidText(mSet.Id()).c_str());
        result = entry.mSnapshot.mController != nullptr ? entry.mSnapshot.mController->capiUpdateIdentInfo(
                                                              entry.mSnapshot.mSerialNumber, mSet.Id())
                                                        : VSS_E_PROVIDER_VETO;
        if (FAILED(result)) {
            LogErrorEvent(L"Could not update snapshot %S with SnapshotSetID %S.\n", id.c_str(),
                          GuidText(mSet.Id()).c_str());
            return result;
        }
    }
    return result;
}

HRESULT BVSS_HardwareProvider::scsiSynchronizeCacheAll(uint32_t immediate) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::scsiSynchronizeCacheAll");
    HRESULT result = S_OK;
    for (const BVSS_SnapshotInfo& entry : mSet.Luns())
        result = scsiSynchronizeCache(entry.mSource, immediate, 0, 0);
    return result;
}
