// Snapshots and full copies on one controller: tags, create, commit, delete, roll-back, rolloff volumes and
// the names they are given.
#include "provider/controllers/capi_raid_controller.h"

HRESULT BVSS_CapiRaidController::capiGetTag(uint64_t*, uint8_t, uint32_t) { return E_NOTIMPL; }
HRESULT BVSS_CapiRaidController::capiCreateSnapshots(const std::vector<BVSS_SnapshotInfo*>&, uint64_t, uint32_t,
                                                     uint32_t) {
    return E_NOTIMPL;
}
HRESULT BVSS_CapiRaidController::capiCommitSnapshots(const std::vector<BVSS_SnapshotInfo*>&, uint64_t, uint32_t,
                                                     uint32_t) {
    return E_NOTIMPL;
}
HRESULT BVSS_CapiRaidController::capiDeleteSnapshot(const uint8_t*, uint32_t) { return E_NOTIMPL; }
HRESULT BVSS_CapiRaidController::rollbackSnapshot(const uint8_t*, const uint8_t*) { return E_NOTIMPL; }
HRESULT BVSS_CapiRaidController::capiRolloffVolumes(const std::vector<BVSS_SnapshotInfo*>&, uint32_t, uint32_t) {
    return E_NOTIMPL;
}
HRESULT BVSS_CapiRaidController::findRolloffVdisk(const uint8_t*, uint32_t, uint8_t*, uint32_t) { return E_NOTIMPL; }
int BVSS_CapiRaidController::makeSnapshotName(const char*, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    return 0;
}
