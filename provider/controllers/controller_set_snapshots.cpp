// Snapshots across the controllers of the set: a snapshot list is split into one group per owning
// controller (the controller that owns each volume's array now), each group goes to the first controller
// of its lead entry's fail-over list, and a failing controller hands the group on to the next one. Used
// for creating differential snapshots or starting full copies, committing, and waiting for full copies;
// also the set-level switch of the proxy's periodic rediscovery and the query of this host's FC ports.
#include <cstring>
#include <vector>

#include "platform/kernel/sync.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/unload_signal.h"

namespace {

constexpr size_t kOwnerSerialChars = 32;
constexpr int kDiscoveryFlagTries = 3;
constexpr DWORD kFullCopyPollMs = 5000;

using SnapshotPointers = std::vector<BVSS_SnapshotInfo*>;

// The per-group step of one operation: the group (its first entry the lead) and the currentOwner of the
// lead's array. Its result ends the operation when negative.
template <class Step>
HRESULT ForEachOwnerGroup(BVSS_RaidControllerSet& set, std::vector<BVSS_SnapshotInfo>& list,
                          const WCHAR* operation, Step step) {
    SnapshotPointers remaining;
    BVSS_RaidControllerSet::copySnapshotList(list, &remaining);
    HRESULT result = S_OK;
    while (SUCCEEDED(result) && !remaining.empty()) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        BVSS_CapiRaidController* controller = nullptr;
        result = set.findPartitionArrayAndController(remaining.front()->mSource.mSerialNumber, 32, &partition,
                                                     &array, &controller);
        if (FAILED(result)) break;
        const char* ownerSN = reinterpret_cast<const char*>(controller->getArrayOwnerSN(*array));
        if (ownerSN == nullptr || ownerSN[0] == '\0') {
            result = VSS_E_PROVIDER_VETO;
            break;
        }
        const uint8_t owner = array->currentOwner;  // read before a step refreshes the controller's data
        SnapshotPointers group;
        result = set.snapshotListForController(ownerSN, remaining, &group, &remaining);
        if (FAILED(result)) break;
        if (group.empty()) {
            BVSS_DebugPrint(L"%s(): error, empty snapshot list, remaining list length=%u.\n", operation,
                            static_cast<uint32_t>(remaining.size()));
            result = VSS_E_PROVIDER_VETO;
            break;
        }
        result = step(*group.front(), group, owner);
    }
    BVSS_DebugPrint(L"%s() returning 0x%08x\n", operation, result);
    return result;
}

// Drops the lead's first controller; false when none is left, else the next one becomes the controller of
// the lead's source and snapshot. The other entries of the group keep theirs.
bool FailOver(BVSS_SnapshotInfo& lead) {
    if (!lead.mControllers.empty()) lead.mControllers.erase(lead.mControllers.begin());
    if (lead.mControllers.empty()) return false;
    lead.mSource.mController = lead.mControllers.front();
    lead.mSnapshot.mController = lead.mControllers.front();
    return true;
}

// The fail-over after a caught error, with its log line; false when no controller is left.
bool FailOverAfter(const WCHAR* operation, HRESULT error, BVSS_SnapshotInfo& lead) {
    if (!FailOver(lead)) {
        BVSS_DebugPrint(L"%s(): Caught error 0x%X, no more controllers to try.", operation,
                        static_cast<uint32_t>(error));
        return false;
    }
    BVSS_DebugPrint(L"%s(): Caught error %u, retrying with next controller.", operation,
                    static_cast<uint32_t>(error));
    return true;
}

// A group whose lead has no controller to send it to has not been done: it fails the operation.
HRESULT NoControllerLeft(const WCHAR* operation, const SnapshotPointers& group) {
    BVSS_DebugPrint(L"%s(): no controller left for a group of %u snapshots.\n", operation,
                    static_cast<uint32_t>(group.size()));
    return VSS_E_PROVIDER_VETO;
}

bool IsDifferential(uint32_t context) { return (context & VSS_VOLSNAP_ATTR_DIFFERENTIAL) != 0; }
bool IsFullCopy(uint32_t context) { return (context & VSS_VOLSNAP_ATTR_PLEX) != 0; }

// The create or rolloff request of one group, moved on to the next controller while one fails.
HRESULT CreateGroup(BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint8_t owner, uint32_t commit,
                    uint32_t flush, uint32_t context, uint32_t last) {
    while (!lead.mControllers.empty()) {
        BVSS_CapiRaidController* controller = lead.mControllers.front();
        try {
            HRESULT hr = S_OK;
            if (IsDifferential(context)) {
                if (lead.mTagValid == 0) {
                    hr = controller->capiGetTag(&lead.mTag, owner, 1);
                    if (FAILED(hr)) throw hr;
                }
                hr = controller->capiCreateSnapshots(group, lead.mTag, commit, flush);
                if (hr == VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED) return hr;
                if (FAILED(hr)) throw hr;
            } else if (IsFullCopy(context)) {
                hr = controller->capiRolloffVolumes(group, flush, last);
                if (FAILED(hr)) throw hr;
            }
            return hr;
        } catch (HRESULT error) {
            if (!FailOverAfter(L"createSnapshots", error, lead)) return error;
        }
    }
    return NoControllerLeft(L"createSnapshots", group);
}

// The commit request of one group; the last controller's failure is thrown.
HRESULT CommitGroup(BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint32_t flush, uint32_t context,
                    uint32_t last) {
    while (!lead.mControllers.empty()) {
        HRESULT hr = S_OK;
        if (IsDifferential(context))
            hr = lead.mControllers.front()->capiCommitSnapshots(group, lead.mTag, flush, last);
        if (hr == S_OK) return hr;
        if (!FailOver(lead)) throw hr;
    }
    throw NoControllerLeft(L"commitSnapshots", group);
}

// Whether the controller's full-copy list shows a copy of an entry of the group still running, and the
// percent of every row that copies an entry of the group (to tell progress from a stall).
bool CopyRunning(const BVSS_CapiRaidController& controller, const SnapshotPointers& group,
                 std::vector<uint8_t>* percents) {
    const uint32_t rows = controller.mRolloffCount < kControllerListRolloffs ? controller.mRolloffCount
                                                                             : kControllerListRolloffs;
    bool waiting = false;
    for (uint32_t i = 0; i < group.size() && !waiting; ++i) {
        for (uint32_t j = 0; j < rows; ++j) {
            const CAPI_ROLLOFF_VOLUME& row = controller.mRolloffs[j];
            const uint8_t* id = row.sourceSerialNumber;
            BVSS_DebugPrint(
                L"awaitSnapshots(): Rolloff partition ID= %02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
                L"%02x%02x%02x%02x%02x, percent complete = %d, i = %d, j = %d .\n",
                id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12],
                id[13], id[14], id[15], row.percentComplete, i, j);
            if (std::memcmp(id, group[i]->mSource.mSerialNumber, 16) == 0 && row.percentComplete != 100 &&
                (row.status & 1) != 0) {
                waiting = true;
                break;
            }
        }
    }
    percents->clear();
    for (uint32_t j = 0; j < rows; ++j) {
        for (const BVSS_SnapshotInfo* entry : group) {
            if (std::memcmp(controller.mRolloffs[j].sourceSerialNumber, entry->mSource.mSerialNumber, 16) !=
                0)
                continue;
            percents->push_back(controller.mRolloffs[j].percentComplete);
            break;
        }
    }
    return waiting;
}

// Polls the group's full copies every 5 seconds until none runs. Ends with VSS_E_PROVIDER_VETO when no
// copy's percent has moved for the stall limit, or when the provider is being unloaded.
HRESULT AwaitGroup(BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint8_t owner, uint32_t flag,
                   const BVSS_UnloadSignal& unload) {
    const uint64_t stallLimitMs = uint64_t{ProviderParameters().FullCopyStallSeconds} * 1000;
    std::vector<uint8_t> lastPercents;
    uint64_t stalledMs = 0;
    DWORD lastProgress = GetTickCount();
    bool polled = false;
    while (!lead.mControllers.empty()) {
        BVSS_CapiRaidController* controller = lead.mControllers.front();
        try {
            const HRESULT hr = controller->capiGetRolloffVolumeList(owner, flag);
            if (FAILED(hr)) throw hr;
            std::vector<uint8_t> percents;
            if (!CopyRunning(*controller, group, &percents)) return S_OK;
            const DWORD now = GetTickCount();
            if (!polled || percents != lastPercents) {
                stalledMs = 0;
            } else {
                stalledMs += static_cast<DWORD>(now - lastProgress);
            }
            lastProgress = now;
            lastPercents = percents;
            polled = true;
            if (stalledMs >= stallLimitMs) {
                BVSS_DebugPrint(L"awaitSnapshots(): no full copy has progressed for %u seconds, giving up.\n",
                                static_cast<uint32_t>(stalledMs / 1000));
                LogErrorEvent(
                    L"awaitSnapshots(): The full copies of the snapshot set made no progress for %1$u "
                    L"seconds.",
                    static_cast<uint32_t>(stalledMs / 1000));
                return VSS_E_PROVIDER_VETO;
            }
            BVSS_DebugPrint(L"awaitSnapshots(): Sleep %ds to await the rolloff completion.",
                            kFullCopyPollMs / 1000);
            const HRESULT waited = unload.WaitUnlessUnloading(kFullCopyPollMs);
            if (FAILED(waited)) return waited;
        } catch (HRESULT error) {
            if (!FailOverAfter(L"awaitSnapshots", error, lead)) return error;
        }
    }
    return NoControllerLeft(L"awaitSnapshots", group);
}

}  // namespace

HRESULT BVSS_RaidControllerSet::createSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t commit,
                                                uint32_t flush, uint32_t context, uint32_t last) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::createSnapshots");
    return ForEachOwnerGroup(*this, list, L"createSnapshots",
                             [&](BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint8_t owner) {
                                 return CreateGroup(lead, group, owner, commit, flush, context, last);
                             });
}

HRESULT BVSS_RaidControllerSet::commitSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t flush,
                                                uint32_t context, uint32_t last) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::commitSnapshots");
    return ForEachOwnerGroup(*this, list, L"commitSnapshots",
                             [&](BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint8_t) {
                                 return CommitGroup(lead, group, flush, context, last);
                             });
}

HRESULT BVSS_RaidControllerSet::awaitSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t,
                                               uint32_t context, uint32_t flag) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::awaitSnapshots");
    BVSS_DebugPrint(L"awaitSnapshots(): Context=0x%x.\n", context);
    if (IsDifferential(context)) return S_OK;
    return ForEachOwnerGroup(*this, list, L"awaitSnapshots",
                             [&](BVSS_SnapshotInfo& lead, const SnapshotPointers& group, uint8_t owner) {
                                 return AwaitGroup(lead, group, owner, flag, mUnload);
                             });
}

HRESULT BVSS_RaidControllerSet::snapshotListForController(const char* ownerSN, const SnapshotPointers& source,
                                                          SnapshotPointers* group, SnapshotPointers* rest) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::snapshotListForController");
    HRESULT hr = S_OK;
    SnapshotPointers owned;
    SnapshotPointers others;
    for (BVSS_SnapshotInfo* entry : source) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        BVSS_CapiRaidController* controller = nullptr;
        hr = findPartitionArrayAndController(entry->mSource.mSerialNumber, 32, &partition, &array,
                                             &controller);
        if (FAILED(hr)) break;
        const char* entryOwner = reinterpret_cast<const char*>(controller->getArrayOwnerSN(*array));
        if (entryOwner == nullptr || entryOwner[0] == '\0') {
            hr = VSS_E_PROVIDER_VETO;
            break;
        }
        (std::strncmp(ownerSN, entryOwner, kOwnerSerialChars) == 0 ? owned : others).push_back(entry);
    }
    if (SUCCEEDED(hr)) {
        *group = std::move(owned);
        *rest = std::move(others);
        BVSS_DebugPrint(
            L"snapshotListForController(): %u snapshots for controller, %u snapshots remaining.\n",
            static_cast<uint32_t>(group->size()), static_cast<uint32_t>(rest->size()));
    }
    BVSS_DebugPrint(L"snapshotListForController(): returning 0x%08x.\n", hr);
    return hr;
}

HRESULT BVSS_RaidControllerSet::copySnapshotList(std::vector<BVSS_SnapshotInfo>& list,
                                                 SnapshotPointers* pointers) {
    pointers->clear();
    for (BVSS_SnapshotInfo& entry : list) pointers->push_back(&entry);
    return S_OK;
}

int BVSS_RaidControllerSet::capiSetDiscvoryFlag(uint32_t flag) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::capiSetDiscvoryFlag");
    int result = -1;
    for (int tries = 0; tries < kDiscoveryFlagTries; ++tries) {
        result = set_discovery_flag(static_cast<uint8_t>(flag));
        if (result == 0) break;
    }
    BVSS_DebugPrint(L"capiSetDiscvoryFlag() returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_RaidControllerSet::capiGetHbaWwpnList(std::vector<FlexIDEntry>* list, uint32_t flag) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::capiGetHbaWwpnList");
    HRESULT hr = S_OK;
    if (list == nullptr) {
        hr = kProviderBadArgument;
    } else {
        for (const auto& controller : mControllers) {
            hr = controller->capiGetHbaWwpnList(list, flag);
            if (SUCCEEDED(hr)) {
                BVSS_DebugPrint(L"capiGetHbaWwpnList(): Get Hba list success.\n");
                break;
            }
        }
    }
    BVSS_DebugPrint(L"capiGetHbaWwpnList(): returning 0x%08x\n", hr);
    return hr;
}
