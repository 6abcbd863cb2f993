// The sweep after a snapshot create or a full copy's start: one that ran on the array but was answered with
// an error, or whose reply was lost and which was sent again, leaves a volume under the name it sent that no
// entry records. Such volumes are found by name in a fresh read of the controller's partitions and deleted,
// so that a set leaves exactly the snapshots (or full copies) it records.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/serial_numbers.h"

namespace {

using PartitionId = std::array<uint8_t, kPartitionIdBytes>;

// What a create or a full copy makes: a snapshot (paged or not) or a standard volume, never a master volume
// or a snap pool.
bool MadeByACreate(const CAPI_ARRAY_PARTITION& partition) {
    return partition.specialClass == kClassStandard ||
           (partition.specialClass == kClassSnapshotFamily && partition.type == CAPI_PTSNAP_SNAPSHOT);
}

bool Recorded(const std::vector<BVSS_SnapshotInfo*>& entries, const uint8_t* id) {
    return std::any_of(entries.begin(), entries.end(), [&](const BVSS_SnapshotInfo* entry) {
        return entry->mCreated != 0 &&
               std::memcmp(entry->mSnapshot.mSerialNumber, id, kPartitionIdBytes) == 0;
    });
}

}  // namespace

HRESULT BVSS_CapiRaidController::deleteUnrecordedSnapshots(const std::vector<BVSS_SnapshotInfo*>& entries) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::deleteUnrecordedSnapshots");
    BVSS_CritSecLock lock(&mLock);
    std::vector<std::string> names;
    for (const BVSS_SnapshotInfo* entry : entries)
        names.insert(names.end(), entry->mUnsweptNames.begin(), entry->mUnsweptNames.end());
    if (names.empty()) return S_OK;
    HRESULT hr = capiUpdateController(1);
    std::vector<PartitionId> unrecorded;  // copied out: a deletion may refresh the tables read here
    for (uint32_t a = 0; SUCCEEDED(hr) && a < mNumArrays && a < kMaxArrays; ++a) {
        for (uint32_t p = 0; p < kMaxPartitionsPerArray; ++p) {
            const CAPI_ARRAY_PARTITION* partition = mPartitionTable[a][p];
            if (partition == nullptr || !MadeByACreate(*partition)) continue;
            const std::string name(partition->name, strnlen(partition->name, sizeof partition->name));
            if (std::find(names.begin(), names.end(), name) == names.end() ||
                Recorded(entries, partition->serialNumber))
                continue;
            PartitionId id;
            std::memcpy(id.data(), partition->serialNumber, id.size());
            unrecorded.push_back(id);
        }
    }
    for (const PartitionId& id : unrecorded) {
        if (FAILED(hr)) break;
        BVSS_DebugPrint(L"deleteUnrecordedSnapshots(): deleting unrecorded volume %S.\n",
                        PartitionIdText(id.data()).text);
        hr = capiDeleteSnapshot(id.data(), 0);
    }
    if (SUCCEEDED(hr)) {
        for (BVSS_SnapshotInfo* entry : entries) entry->mUnsweptNames.clear();
    }
    BVSS_DebugPrint(L"deleteUnrecordedSnapshots(): %u found, returning 0x%08x\n",
                    static_cast<unsigned>(unrecorded.size()), hr);
    return hr;
}
