// Snapshots on one controller: the controller's tag, snapshots prepared (or made at once) under it, their
// commit, the deletion of a snapshot and the roll-back of a master volume to one of its snapshots.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/serial_numbers.h"

namespace {

constexpr uint8_t kCommitAtOnce = 2;
constexpr uint8_t kPrepareOnly = 1;

static_assert(sizeof(CAPI_CREATE_SNAPSHOTS_PARAMS) == kSnapshotRequestBytes);
static_assert(sizeof(CAPI_SNAPSHOT_ID_LIST) == kSnapshotResultBytes);
static_assert(sizeof(CAPI_SNAPSHOT_ID_PARAMS) == kCommitRequestBytes);
static_assert(sizeof(CAPI_ROLLBACK_PARAMS) == kRollbackRequestBytes);

void PutTag(CAPI_U64& field, uint64_t tag) { std::memcpy(&field, &tag, sizeof tag); }

// More snapshots than one request carries: the error event, and the operation is refused.
void RefuseLongList(size_t entries) {
    if (entries <= BVSS_CapiRaidController::kMaxSnapshotsPerRequest) return;
    LogErrorEventNarrowFormat(
        "capiCreateSnapshots(): Snapshot list too large with %1$u snaps, limit is %2$u.",
        static_cast<unsigned>(entries), BVSS_CapiRaidController::kMaxSnapshotsPerRequest);
    throw static_cast<HRESULT>(VSS_E_PROVIDER_VETO);
}

}  // namespace

HRESULT BVSS_CapiRaidController::capiGetTag(uint64_t* tag, uint8_t controller, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiGetTag");
    BVSS_CritSecLock lock(&mLock);
    if (tag == nullptr) {
        BVSS_DebugPrint(L"capiGetTag(): NULL Capi Tag pointer.\n");
        throw static_cast<HRESULT>(kProviderBadArgument);
    }
    mTag = tag;
    const HRESULT hr = SendCommand(L"capiGetTag", [&] {
        uint8_t bytes[sizeof *tag];
        const int code = dms_get_tag(mHandle, controller, bytes);
        if (code == 0) std::memcpy(tag, bytes, sizeof bytes);
        return code;
    });
    BVSS_DebugPrint(L"capiGetTag(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiCreateSnapshots(const std::vector<BVSS_SnapshotInfo*>& list,
                                                     uint64_t tag, uint32_t commit, uint32_t flush) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiCreateSnapshots");
    BVSS_CritSecLock lock(&mLock);
    RefuseLongList(list.size());
    const uint32_t count = static_cast<uint32_t>(list.size());
    BVSS_DebugPrint(L"capiCreateSnapshots(): creating %u snapshots, tag=0x%I64X, commit=%u, flush=%u.\n",
                    count, tag, commit, flush);
    CAPI_CREATE_SNAPSHOTS_PARAMS request;
    std::memset(&request, 0, sizeof request);
    request.value0 = 1;
    request.value1 = 3;
    request.commitMode = commit != 0 ? kCommitAtOnce : kPrepareOnly;
    request.numEntries = static_cast<uint8_t>(count);
    PutTag(request.tag, tag);
    for (uint32_t i = 0; i < count; ++i) {
        BVSS_SnapshotInfo& entry = *list[i];
        CAPI_SNAPSHOT_CREATE_ENTRY& part = request.entries[i];
        std::memcpy(part.volumeSerialNumber, entry.mSource.mSerialNumber, kPartitionIdBytes);
        makeSnapshotName("VSS", entry.mSnapshotName, sizeof entry.mSnapshotName);
        const size_t nameLength = strnlen(entry.mSnapshotName, sizeof entry.mSnapshotName);
        std::memcpy(part.name, entry.mSnapshotName, nameLength);
        entry.mUnsweptNames.emplace_back(entry.mSnapshotName, nameLength);
        BVSS_DebugPrint(
            L"   capiCreateSnapshots(): Snapshot #%u, name='%.32S', original volume partition ID=%S.\n", i,
            entry.mSnapshotName, PartitionIdText(part.volumeSerialNumber).text);
    }
    mSavedSnapshots = list;

    CAPI_SNAPSHOT_ID_LIST created;
    std::memset(&created, 0, sizeof created);
    HRESULT hr = SendCommand(L"capiCreateSnapshots", [&] {
        CAPI_CREATE_SNAPSHOTS_PARAMS fresh = request;
        std::memset(&created, 0, sizeof created);
        return create_snapshot(mHandle, reinterpret_cast<const uint8_t*>(&fresh),
                               reinterpret_cast<uint8_t*>(&created));
    });
    // The reply lists at most as many IDs as its table holds, whatever count it claims.
    const uint32_t listed = std::min<uint32_t>(created.numIds, kMaxSnapshotsPerRequest);
    if (created.numIds == mSavedSnapshots.size()) {
        BVSS_DebugPrint(L"capiCreateSnapshots(): CAPI_REPLY_U_CREATE_SNAPSHOTS: created %u snapshots.\n",
                        unsigned{created.numIds});
        for (uint32_t i = 0; i < listed && i < mSavedSnapshots.size(); ++i) {
            BVSS_SnapshotInfo& entry = *mSavedSnapshots[i];
            BVSS_DebugPrint(L"capiCreateSnapshots(): snapshot #%u, ID=%S.\n", i,
                            PartitionIdText(created.serialNumbers[i]).text);
            std::memset(entry.mSnapshot.mSerialNumber, 0, sizeof entry.mSnapshot.mSerialNumber);
            std::memcpy(entry.mSnapshot.mSerialNumber, created.serialNumbers[i], kPartitionIdBytes);
            entry.mSnapshot.setLunID(created.serialNumbers[i], kPartitionIdBytes);
            entry.mCreated = 1;
        }
    } else {
        BVSS_DebugPrint(
            L"capiCreateSnapshots(): snapshot create serial num list size mismatch.  Received %u, "
            L"expected %u.\n",
            unsigned{created.numIds}, static_cast<unsigned>(mSavedSnapshots.size()));
        if (SUCCEEDED(hr)) {
            // The set cannot be complete, and no entry can say which of its snapshots were made: the ones the
            // controller listed go now rather than stay behind unrecorded.
            hr = VSS_E_PROVIDER_VETO;
            for (uint32_t i = 0; i < listed; ++i) capiDeleteSnapshot(created.serialNumbers[i], 0);
        }
    }
    // Neither an error answer nor a success says how often the create ran (the proxy resends after a lost
    // reply): what it made beyond the recorded snapshots goes now. A set completes only once that is known.
    const HRESULT swept = deleteUnrecordedSnapshots(mSavedSnapshots);
    if (SUCCEEDED(hr) && FAILED(swept)) hr = swept;
    BVSS_DebugPrint(L"capiCreateSnapshots(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiCommitSnapshots(const std::vector<BVSS_SnapshotInfo*>& list,
                                                     uint64_t tag, uint32_t flush, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiCommitSnapshots");
    BVSS_CritSecLock lock(&mLock);
    RefuseLongList(list.size());
    const uint32_t count = static_cast<uint32_t>(list.size());
    BVSS_DebugPrint(L"capiCommitSnapshots(): committing %u snapshots, tag=0x%I64X, flush=%u.\n", count, tag,
                    flush);
    CAPI_SNAPSHOT_ID_PARAMS request;
    std::memset(&request, 0, sizeof request);
    const bool anyVirtual = std::any_of(list.begin(), list.end(), [](const BVSS_SnapshotInfo* entry) {
        return entry->mSnapshot.mIsVirtual != 0;
    });
    request.value0 = anyVirtual ? 0 : 1;
    request.value1 = anyVirtual ? 0 : 3;
    PutTag(request.tag, tag);
    request.snapshots.numIds = static_cast<uint8_t>(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::memcpy(request.snapshots.serialNumbers[i], list[i]->mSnapshot.mSerialNumber, kPartitionIdBytes);
        BVSS_DebugPrint(L"   capiCommitSnapshots(): Snapshot #%u, partition ID=%S.\n", i,
                        PartitionIdText(request.snapshots.serialNumbers[i]).text);
    }

    // A stale tag (183) is read again for the next try. A failed read decides the result when the last try
    // met the stale tag; a successful one never turns that try into a success.
    HRESULT tagRead = S_OK;
    int32_t lastCode = 0;
    HRESULT hr = SendCommand(
        L"capiCommitSnapshots",
        [&] {
            const int code = commit_snapshot(mHandle, reinterpret_cast<const uint8_t*>(&request));
            tagRead = S_OK;
            if (code == CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG) {
                tagRead = capiGetTag(&tag, getFailoverId(), 1);
                PutTag(request.tag, tag);
            }
            return code;
        },
        &lastCode);
    if (lastCode == CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG && FAILED(tagRead)) hr = tagRead;
    if (SUCCEEDED(hr)) {
        for (BVSS_SnapshotInfo* entry : list) entry->mCommitted = 1;
    }
    BVSS_DebugPrint(L"capiCommitSnapshots(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiDeleteSnapshot(const uint8_t* partitionId16, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiDeleteSnapshot");
    BVSS_CritSecLock lock(&mLock);
    HRESULT hr = kProviderBadArgument;
    if (partitionId16 != nullptr) {
        uint8_t serial[32] = {};
        std::memcpy(serial, partitionId16, kPartitionIdBytes);
        hr = SendCommand(L"capiDeleteSnapshot", [&] { return delete_part(mHandle, serial); });
    }
    BVSS_DebugPrint(L"capiDeleteSnapshot(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::rollbackSnapshot(const uint8_t* snapshotId16,
                                                  const uint8_t* masterVolumeId16) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::rollbackSnapshot");
    if (snapshotId16 == nullptr || masterVolumeId16 == nullptr) return kProviderBadArgument;
    CAPI_ROLLBACK_PARAMS request;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.reserved0, snapshotId16, kPartitionIdBytes);
    std::memcpy(request.masterVolumeSerialNumber, masterVolumeId16, kPartitionIdBytes);
    return SendCommand(L"rollback_master_volume", [&] {
        return rollback_master_volume(mHandle, reinterpret_cast<const uint8_t*>(&request));
    });
}
