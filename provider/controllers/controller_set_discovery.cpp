// Discovery of the controller set from the proxy's storage-system list. Every controller that answers its
// refresh, reports CAPI 3.6 or later and the snapshot capability joins the set once (a second path to it is
// dropped). A controller found again keeps its object; one no longer found is retired, not deleted.
#include <cstring>
#include <memory>
#include <vector>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/raid_controller_set.h"

namespace {

using ControllerList = std::vector<std::unique_ptr<BVSS_CapiRaidController>>;

constexpr int kSubsystemListTries = 4;
constexpr uint32_t kSnapshotCapability = 0x80000000u;  // bit 31 of capabilities3
constexpr uint32_t kNoController = 0xFFFFFFFFu;

bool SameSerial(const BVSS_CapiRaidController& controller, const uint8_t* serial32) {
    return std::memcmp(controller.getSerialNumber(), serial32,
                       sizeof controller.mControllerData.serialNumber) == 0;
}

bool SupportsSnapshots(const BVSS_CapiRaidController& controller) {
    return controller.isCapiVersionAtLeast(3, 6) &&
           (controller.getControllerData()->capabilities3 & kSnapshotCapability) != 0;
}

// Removes and returns the object of the controller with this serial number, or null.
std::unique_ptr<BVSS_CapiRaidController> TakeBySerial(ControllerList& from, const uint8_t* serial32) {
    for (auto it = from.begin(); it != from.end(); ++it) {
        if (!SameSerial(**it, serial32)) continue;
        std::unique_ptr<BVSS_CapiRaidController> found = std::move(*it);
        from.erase(it);
        return found;
    }
    return nullptr;
}

// Reads the storage-system list, trying up to 4 times one right after the other.
int ReadSubsystems(std::vector<ProxySubsystem>* subsystems) {
    int code = -1;
    for (int attempt = 0; attempt < kSubsystemListTries && code < 0; ++attempt) {
        subsystems->clear();
        code = get_subsystems(subsystems);
    }
    return code;
}

}  // namespace

// The controllers of the set before this discovery: whatever is not found again is retired into the set's
// keeping when the discovery ends, however it ends.
class BVSS_RaidControllerSet::PreviousControllers {
  public:
    explicit PreviousControllers(BVSS_RaidControllerSet& set)
        : set_(set), list_(std::move(set.mControllers)) {
        set.mControllers.clear();
    }
    ~PreviousControllers() {
        for (auto& controller : list_) {
            controller->Retire();
            set_.mRetiredControllers.push_back(std::move(controller));
        }
    }
    PreviousControllers(const PreviousControllers&) = delete;
    PreviousControllers& operator=(const PreviousControllers&) = delete;

    // The object of a known controller (in the set before, or retired earlier), or null.
    std::unique_ptr<BVSS_CapiRaidController> Take(const uint8_t* serial32) {
        std::unique_ptr<BVSS_CapiRaidController> known = TakeBySerial(list_, serial32);
        return known != nullptr ? std::move(known) : TakeBySerial(set_.mRetiredControllers, serial32);
    }

  private:
    BVSS_RaidControllerSet& set_;
    ControllerList list_;
};

void BVSS_RaidControllerSet::Admit(std::unique_ptr<BVSS_CapiRaidController> candidate,
                                   PreviousControllers& previous) {
    std::unique_ptr<BVSS_CapiRaidController> known = previous.Take(candidate->getSerialNumber());
    if (known != nullptr) {
        // Pointers to the known object are held elsewhere: it takes the fresh data and stays in use.
        known->AdoptRefreshOf(*candidate);
        known->Reinstate();
        candidate = std::move(known);
    }
    mControllers.push_back(std::move(candidate));
}

bool BVSS_RaidControllerSet::IsKnownPath(const uint8_t* serial32) const {
    for (const auto& controller : mControllers)
        if (SameSerial(*controller, serial32)) return true;
    return false;
}

HRESULT BVSS_RaidControllerSet::discoverRaidControllers(int32_t) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::discoverRaidControllers");
    PreviousControllers previous(*this);

    std::vector<ProxySubsystem> subsystems;
    const int listCode = ReadSubsystems(&subsystems);
    if (listCode < 0) {
        BVSS_DebugPrint(L"discoverRaidControllers(): Error 0x%08X finding storage system failuer.\n",
                        listCode);
        throw static_cast<HRESULT>(VSS_E_PROVIDER_VETO);
    }
    BVSS_DebugPrint(L"nSubSystem = %d\n", static_cast<int>(subsystems.size()));

    HRESULT lastRefresh = static_cast<HRESULT>(listCode);
    uint32_t tried = 0;
    std::unique_ptr<BVSS_CapiRaidController> candidate;
    for (const ProxySubsystem& subsystem : subsystems) {
        const uint32_t ids[2] = {subsystem.controllerA, subsystem.controllerB};
        for (int half = 0; half < 2; ++half) {
            if (candidate == nullptr) candidate = std::make_unique<BVSS_CapiRaidController>();
            const uint32_t id = ids[half];
            BVSS_DebugPrint(
                L"discoverRaidControllers(): CtrlHandle 0x%08X for subsystem %.32S controller %S\n", id,
                subsystem.uniqueSN, half == 0 ? "A" : "B");
            if (id == 0 || id == kNoController) continue;
            candidate->mHandle = static_cast<int32_t>(id);
            candidate->mPartnerHandle = static_cast<int32_t>(ids[1 - half]);
            ++tried;
            lastRefresh = candidate->capiUpdateController(1);
            if (FAILED(lastRefresh)) {
                // One dead path does not end the discovery: the set is formed from the others.
                BVSS_DebugPrint(
                    L"discoverRaidControllers(): Error 0x%08X getting basic RAID controller parameters.\n",
                    lastRefresh);
                candidate.reset();
                continue;
            }
            BVSS_DebugPrint(L"discoverRaidControllers(): Found controller #%u:\n", tried);
            printControllerInfo(L"    discoverRaidControllers(): ", candidate->getControllerData());
            if (IsKnownPath(candidate->getSerialNumber())) {
                BVSS_DebugPrint(L"    discoverRaidControllers(): extra path to controller, SN=%.32S.\n",
                                reinterpret_cast<const char*>(candidate->getSerialNumber()));
                candidate.reset();
            } else if (SupportsSnapshots(*candidate)) {
                BVSS_DebugPrint(
                    L"    discoverRaidControllers(): supports snapshot, so we will use this controller.\n");
                Admit(std::move(candidate), previous);
            } else {
                BVSS_DebugPrint(L"  * discoverRaidControllers(): does not support snapshot, ignoring.\n");
                candidate.reset();
            }
        }
    }
    candidate.reset();

    HRESULT hr = static_cast<HRESULT>(listCode);
    if (mControllers.empty()) {
        BVSS_DebugPrint(L"Couldn't find any controllers\n");
        BVSS_DebugPrint(L"\n");
        LogErrorEvent(L"No RAID Controllers found.");
        // With no controller to use, a failed last refresh is the result.
        hr = lastRefresh;
    } else {
        BVSS_DebugPrint(L"Found %d controller LUN(s).\n", static_cast<int>(mControllers.size()));
    }
    BVSS_DebugPrint(L"discoverRaidControllers() returning 0x%08x\n", hr);
    return hr;
}
