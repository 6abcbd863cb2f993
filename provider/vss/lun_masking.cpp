// Snapshot LUNs hidden from this host again: with the mask flag each LUN is unmapped from this host's Fibre
// Channel ports as the array lists them; without it the snapshot service's read/write and recovery
// notifications become informational events.
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_events.h"
#include "provider/vss/hardware_provider.h"
#include "provider/vss/lun_lookup.h"

namespace {

constexpr DWORD kMaskLuns = 0x800;  // VSS_ONLUNSTATECHANGE_DO_MASK_LUNS

// The notifications, in the order their events are written.
struct Notification {
    DWORD flag;
    const WCHAR* text;
};
constexpr Notification kNotifications[] = {
    // clang-format off
    {0x100, L"\nNotify Read/Write : '%S'"},     // VSS_ONLUNSTATECHANGE_NOTIFY_READ_WRITE
    {0x200, L"\nNotify pre-recovery : '%S'"},   // VSS_ONLUNSTATECHANGE_NOTIFY_LUN_PRE_RECOVERY
    {0x400, L"\nNotify post-recovery : '%S'"},  // VSS_ONLUNSTATECHANGE_NOTIFY_LUN_POST_RECOVERY
    // clang-format on
};

}  // namespace

HRESULT BVSS_HardwareProvider::OnLunStateChange(VDS_LUN_INFORMATION* snapshotLuns, VDS_LUN_INFORMATION*,
                                                DWORD count, DWORD flags) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::OnLunStateChange");
    BVSS_CritSecLock lock(&mCritSec);
    const HRESULT result = CatchHresult([&]() -> HRESULT {
        if (count > 0 && snapshotLuns == nullptr) return E_INVALIDARG;
        if ((flags & kMaskLuns) == 0) {
            for (DWORD i = 0; i < count; ++i) {
                for (const Notification& n : kNotifications) {
                    if ((flags & n.flag) != 0) LogEvent(n.text, BVSS_SerialNumberInsert(&snapshotLuns[i]));
                }
            }
            return S_OK;
        }
        for (DWORD i = 0; i < count; ++i) {
            const VDS_LUN_INFORMATION* lun = &snapshotLuns[i];
            BVSS_DumpLunInformation(lun);
            // A serial text that does not parse is an ID no controller knows.
            BVSS_LunLookup found(mRaidControllerSet, LunControllers::First);
            found.Parse(lun);
            HRESULT hr = found.Find(LunRediscovery::LookAgain);
            if (FAILED(hr) || found.controller == nullptr) {
                LogEvent(L"OnLunStateChange called with unknown snapshot ('%S'')",
                         BVSS_SerialNumberInsert(lun));
                return VSS_E_PROVIDER_VETO;
            }
            hr = found.controller->unassignLUN(found.serial);
            if (FAILED(hr)) {
                LogEvent(L"OnLunStateChange: unassignLUN failed for '%S' failed with 0x%08x",
                         BVSS_SerialNumberInsert(lun), static_cast<unsigned>(hr));
                return VSS_E_PROVIDER_VETO;
            }
            LogEvent(L"OnLunStateChange: unassignLUN succeeded for '%S'", BVSS_SerialNumberInsert(lun));
        }
        return S_OK;
    });
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}
