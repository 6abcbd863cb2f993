// The test of the snapshot limits before new snapshots of a volume are made on its controller: the limit of
// the controller that owns the array, and (CAPI 3.7 and later) the limit of the pair. A limit that the
// counts pass is read again once from the controller before the snapshots are refused.
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/serial_numbers.h"

namespace {

// Sums are kept in 64 bits: no count the controller reports can wrap them below a limit.
HRESULT RefuseUnlessRefreshedLimitHolds(BVSS_CapiRaidController& controller, uint64_t wanted,
                                        uint16_t (BVSS_CapiRaidController::*limit)() const, bool pairLimit) {
    const HRESULT refresh = controller.capiUpdateController(1);
    const bool stillApplies = !pairLimit || controller.isCapiVersionAtLeast(3, 7);
    return stillApplies && wanted > (controller.*limit)() ? VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED
                                                          : refresh;
}

}  // namespace

HRESULT BVSS_RaidControllerSet::checkSnapshotLimits(uint32_t newSnapshots, const CAPI_ARRAY_PARTITION*,
                                                    const CAPI_ARRAY* array,
                                                    BVSS_CapiRaidController* controller) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::checkSnapshotLimits");
    if (array == nullptr || controller == nullptr) {
        BVSS_DebugPrint(L"checkSnapshotLimits() returning 0x%08x\n", kProviderBadArgument);
        return kProviderBadArgument;
    }
    const uint8_t owner = array->currentOwner;
    const uint8_t other = owner == 1 ? 0 : 1;
    HRESULT hr = S_OK;
    const uint32_t existingOwner = controller->countSnapshots(owner);
    const uint64_t onOwner = uint64_t{newSnapshots} + existingOwner;
    if (onOwner > controller->getMaxSnapshotsPerController()) {
        hr = RefuseUnlessRefreshedLimitHolds(*controller, onOwner,
                                             &BVSS_CapiRaidController::getMaxSnapshotsPerController, false);
        if (hr == VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED)
            BVSS_DebugPrint(
                L"checkSnapshotLimits() newSnapshots=%u + existingSnapshotsOwner=%u exceeds per controller "
                L"snapshot limit of %u.\n",
                newSnapshots, existingOwner, controller->getMaxSnapshotsPerController());
    }
    uint32_t existingOther = 0;
    if (SUCCEEDED(hr)) {
        existingOther = controller->countSnapshots(other);
        const uint64_t onPair = onOwner + existingOther;
        if (controller->isCapiVersionAtLeast(3, 7) &&
            onPair > controller->getMaxSnapshotsPerControllerPair()) {
            hr = RefuseUnlessRefreshedLimitHolds(
                *controller, onPair, &BVSS_CapiRaidController::getMaxSnapshotsPerControllerPair, true);
            if (hr == VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED)
                BVSS_DebugPrint(
                    L"checkSnapshotLimits() newSnapshots=%u + existingSnapshotsOwner=%u + "
                    L"existingSnapshotsOther=%u exceeds per controller pair snapshot limit of %u.\n",
                    newSnapshots, existingOwner, existingOther,
                    controller->getMaxSnapshotsPerControllerPair());
        }
    }
    if (SUCCEEDED(hr)) {
        BVSS_DebugPrint(
            L"checkSnapshotLimits() limits not exceeded, newSnapshots=%u, existingSnapshotsOwner=%u, "
            L"existingSnapshotsOther=%u, maxSnapshotsPerController=%u, maxSnapshotsPerControllerPair=%u, "
            L"maxSnapshotsPerVolume=%u.\n",
            newSnapshots, existingOwner, existingOther, controller->getMaxSnapshotsPerController(),
            controller->getMaxSnapshotsPerControllerPair(), controller->getMaxSnapshotsPerVolume());
    }
    BVSS_DebugPrint(L"checkSnapshotLimits() returning 0x%08x\n", hr);
    return hr;
}
