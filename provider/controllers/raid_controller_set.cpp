// The controller set's life: creation, destruction, publication, and the controller data as log lines.
#include "provider/controllers/raid_controller_set.h"

#include <algorithm>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"

BVSS_RaidControllerSet::BVSS_RaidControllerSet() = default;

BVSS_RaidControllerSet::~BVSS_RaidControllerSet() {
    deleteAllControllers();
    mControllers.shrink_to_fit();
    mRetiredControllers.shrink_to_fit();
}

void BVSS_RaidControllerSet::deleteAllControllers() {
    while (!mControllers.empty()) mControllers.pop_back();
    while (!mRetiredControllers.empty()) mRetiredControllers.pop_back();
}

bool BVSS_RaidControllerSet::Holds(const BVSS_CapiRaidController* controller) const {
    const auto same = [&](const std::unique_ptr<BVSS_CapiRaidController>& held) {
        return held.get() == controller;
    };
    return std::any_of(mControllers.begin(), mControllers.end(), same) ||
           std::any_of(mRetiredControllers.begin(), mRetiredControllers.end(), same);
}

HRESULT BVSS_RaidControllerSet::StaticInit() {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::StaticInit");
    BVSS_DebugLog::StaticInit();
    BVSS_CapiRaidController::StaticInit(this);
    BVSS_DebugPrint(L"BVSS_RaidControllerSet::StaticInit() returning 0x%08x\n", S_OK);
    return S_OK;
}

HRESULT BVSS_RaidControllerSet::StaticDeinit() {
    {
        BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::StaticDeinit");
        BVSS_CapiRaidController::StaticDeinit(this);
        BVSS_DebugPrint(L"BVSS_RaidControllerSet::StaticDeinit() returning 0x%08x\n", S_OK);
    }
    // Last: the trace's closing line still goes to the log this call may close.
    BVSS_DebugLog::StaticDeinit();
    return S_OK;
}

void BVSS_RaidControllerSet::printControllerInfo(const WCHAR* prefix, const CAPI_CONTROLLER* data) {
    // Every text field is read within its own size: a controller need not terminate them.
    const CAPI_CONTROLLER& c = *data;
    const CAPI_CONTROLLER_EXTRA_C& limits = c.controllerExtraC;
    const auto text = [](const auto& field) { return reinterpret_cast<const char*>(field); };
    const uint8_t* wwn = c.currentNodeWWN;
    const uint8_t* otherWwn = c.failover.otherNodeWWN;
    BVSS_DebugPrint(L"%smanufacturer=%.20S, model=%.20S, fw rev=%.20S, failover ID=%u,\n", prefix,
                    c.manufacturer, c.model, c.firmwareRevision, c.failover.failoverId);
    BVSS_DebugPrint(L"%sSN=%.32S, WWNN=%02x%02x%02x%02x%02x%02x%02x%02x,\n", prefix, text(c.serialNumber),
                    wwn[0], wwn[1], wwn[2], wwn[3], wwn[4], wwn[5], wwn[6], wwn[7]);
    BVSS_DebugPrint(
        L"%sbaselevel Rev=%.20S, board Rev=%.20S, CPLD Rev %.20S,%.20S, loader rev=%.20S, CAPI rev %u.%u, "
        L"capabilities=%X,%X,%X,\n",
        prefix, c.baselevelRevision, c.boardRevision, c.cpldRevision, c.cpld2Revision, c.loaderRevision,
        c.capiVersionMajor, c.capiVersionMinor, c.capabilities, c.capabilities2, c.capabilities3);
    BVSS_DebugPrint(
        L"%smaxSnapshots=%u, maxSnapshotsPerControllerPair=%u, baseMaxSnapshots=%u, platformMaxSnapshots=%u,\n",
        prefix, limits.maxSnapshots, limits.maxSnapshotsPerControllerPair, limits.baseMaxSnapshots,
        limits.platformMaxSnapshots);
    BVSS_DebugPrint(
        L"%smaxSnapshotsPerVolume=%u, baseMaxMasterVolumes=%u, maxMasterVolumes=%u, baseMaxBackingStores=%u, "
        L"maxBackingStores=%u,\n",
        prefix, limits.maxSnapshotsPerVolume, limits.baseMaxMasterVolumes, limits.maxMasterVolumes,
        limits.baseMaxBackingStores, limits.maxBackingStores);
    BVSS_DebugPrint(L"%snumHostChannels=%u numDriveChannels=%d\n", prefix, c.numHostChannels,
                    c.numDriveChannels);
    BVSS_DebugPrint(L"%sother controller, SN=%.32S, WWNN=%02x%02x%02x%02x%02x%02x%02x%02x, fw rev=%.20S.\n",
                    prefix, text(c.failover.otherSerialNumber), otherWwn[0], otherWwn[1], otherWwn[2],
                    otherWwn[3], otherWwn[4], otherWwn[5], otherWwn[6], otherWwn[7],
                    c.failover.otherFirmwareRevision);
}
