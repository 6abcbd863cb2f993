// The controller set's life: creation, destruction, publication, and the controller data as log lines.
#include "provider/controllers/raid_controller_set.h"

BVSS_RaidControllerSet::BVSS_RaidControllerSet() = default;

BVSS_RaidControllerSet::~BVSS_RaidControllerSet() { deleteAllControllers(); }

void BVSS_RaidControllerSet::deleteAllControllers() {
    while (!mControllers.empty()) mControllers.pop_back();
    while (!mRetiredControllers.empty()) mRetiredControllers.pop_back();
    mCount = 0;
}

HRESULT BVSS_RaidControllerSet::StaticInit() { return S_OK; }
HRESULT BVSS_RaidControllerSet::StaticDeinit() { return S_OK; }
HRESULT BVSS_RaidControllerSet::discoverRaidControllers(int32_t) { return S_OK; }
HRESULT BVSS_RaidControllerSet::findPartitionArrayAndController(const void*, uint32_t, CAPI_ARRAY_PARTITION**,
                                                                CAPI_ARRAY**, BVSS_CapiRaidController**) {
    return VSS_E_OBJECT_NOT_FOUND;
}
HRESULT BVSS_RaidControllerSet::findPartitionAndController(const void*, uint32_t, CAPI_ARRAY_PARTITION**,
                                                           BVSS_CapiRaidController**) {
    return VSS_E_OBJECT_NOT_FOUND;
}
HRESULT BVSS_RaidControllerSet::findPartitionArrayAndControllerList(const void*, uint32_t, CAPI_ARRAY_PARTITION**,
                                                                    CAPI_ARRAY**,
                                                                    std::vector<BVSS_CapiRaidController*>*) {
    return VSS_E_OBJECT_NOT_FOUND;
}
HRESULT BVSS_RaidControllerSet::checkSnapshotLimits(uint32_t, const CAPI_ARRAY_PARTITION*, const CAPI_ARRAY*,
                                                    BVSS_CapiRaidController*) {
    return S_OK;
}
void BVSS_RaidControllerSet::printControllerInfo(const WCHAR*, const CAPI_CONTROLLER*) {}
