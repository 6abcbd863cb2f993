// The hardware provider's description of the LUNs on which the set's snapshots appear: for each source LUN
// the snapshot service names, a record that copies the source's inquiry fields but carries the snapshot's
// own serial text and NAA identifier. In the full-copy context the arrays finish copying first.
#include <cstring>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/vss/hardware_provider.h"

namespace {

// Refreshes every controller that sees the volume, so that each of them (the partner too) knows the set's
// snapshots before they are mapped; the last failure when none of them could be refreshed. An entry without
// controllers has nothing to refresh and passes.
HRESULT RefreshVolumeControllers(const BVSS_SnapshotInfo& entry) {
    HRESULT lastFailure = S_OK;
    bool refreshed = false;
    for (BVSS_CapiRaidController* controller : entry.mControllers) {
        const HRESULT hr = controller->updateConfigAll();
        if (hr >= 0) {
            refreshed = true;
        } else {
            lastFailure = hr;
        }
    }
    return refreshed ? S_OK : lastFailure;
}

}  // namespace

HRESULT BVSS_HardwareProvider::GetTargetLuns(LONG lunCount, VSS_PWSZ* devices,
                                             VDS_LUN_INFORMATION* sourceLuns,
                                             VDS_LUN_INFORMATION* destinationLuns) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::GetTargetLuns");
    BVSS_CritSecLock lock(&mCritSec);
    const HRESULT result = CatchHresult([&]() -> HRESULT {
        if (lunCount < 0 || (lunCount > 0 && (sourceLuns == nullptr || destinationLuns == nullptr)))
            return E_INVALIDARG;
        HRESULT hr =
            mRaidControllerSet.awaitSnapshots(mSet.Luns(), 1, static_cast<uint32_t>(mSet.Context()), 1);
        if (FAILED(hr)) return hr;
        for (LONG i = 0; i < lunCount; ++i) {
            const VDS_LUN_INFORMATION& source = sourceLuns[i];
            VDS_LUN_INFORMATION* target = &destinationLuns[i];
            const WCHAR* deviceName = BVSS_DeviceNameInsert(devices != nullptr ? devices[i] : nullptr);

            BVSS_FreeLunInformation(target);
            BVSS_CopyBasicLunInfo(target, &source);
            std::memset(&target->m_diskSignature, 0, sizeof target->m_diskSignature);
            BVSS_DebugPrint(L"GetTargetLuns(): lunSource %d, DeviceName=%s:\n", static_cast<int>(i),
                            deviceName);
            BVSS_DumpLunInformation(&source);
            BVSS_DebugPrint(L"GetTargetLuns(): initial lunTarget %d:\n", static_cast<int>(i));
            BVSS_DumpLunInformation(target);
            BVSS_FreeLunInformation(target);

            BYTE serialNumber[kParsedSerialBytes];
            hr = readPartitionSerialNumber(
                &source, serialNumber, sizeof serialNumber,
                L"GetTargetLuns(): unable to parse partition serial number for LUN ('%1$S')");
            if (FAILED(hr)) return hr;
            BYTE partitionId[kPartitionIdBytes];
            hr = BVSS_PartitionIDToSerialNumber(serialNumber, sizeof serialNumber, partitionId);
            if (FAILED(hr)) {
                LogErrorEvent(
                    L"%S:%S=%S.",
                    "GetTargetLuns(): unable to convert partition serial number to volume id for LUN",
                    "partition id", PartitionIdText(serialNumber).text);
                return hr;
            }
            const PartitionIdText idText(partitionId);

            BYTE snapshotId[kPartitionIdBytes];
            size_t position = 0;
            if (!findSnapshotBySourceLun(partitionId, snapshotId, &position)) {
                LogErrorEvent(L"%S:%S=%S, %S=%s.", "GetTargetLuns(): called for LUN not in snapshot set",
                              "partition id", idText.text, "device", deviceName);
                BVSS_DebugPrint(
                    L"GetTargetLuns called for LUN not in snapshot set, the original volume partition ID "
                    L"%S on device '%s'.\n",
                    idText.text, deviceName);
                for (size_t n = 0; n < mSet.Luns().size(); ++n) {
                    BVSS_DebugPrint(L"FindSnapId %dst Snap info list original volume partition ID %S\n",
                                    static_cast<int>(n + 1),
                                    PartitionIdText(mSet.Luns()[n].mSource.mLunID).text);
                }
                return VSS_E_PROVIDER_VETO;
            }
            const BVSS_SnapshotInfo& entry = mSet.Luns()[position];

            hr = RefreshVolumeControllers(entry);
            if (FAILED(hr)) {
                LogErrorEvent(L"%S:%S=%S, %S=0x%X.",
                              "GetTargetLuns(): unable to update controller configuration for LUN",
                              "partition id", idText.text, "hResult", static_cast<unsigned>(hr));
                return hr;
            }

            const GUID noSignature{};
            BVSS_SetBasicLunInfo(target, source.m_version, source.m_DeviceType, source.m_DeviceTypeModifier,
                                 source.m_bCommandQueueing, source.m_BusType, source.m_szVendorId,
                                 source.m_szProductId, source.m_szProductRevision, snapshotId, &noSignature);
            hr = BVSS_UpdateLunInformation(target, entry.mSnapshot.mSerialNumber,
                                           sizeof entry.mSnapshot.mSerialNumber, 0xFF, 0, 0);
            if (FAILED(hr)) {
                LogErrorEvent(L"%S:%S=%S.",
                              "GetTargetLuns(): unable to update LUN_INFORMATION structure for partition",
                              "partition id", PartitionIdText(entry.mSnapshot.mSerialNumber).text);
                return hr;
            }
            target->m_version = 1;
            BVSS_DebugPrint(L"GetTargetLuns(): final lunTarget %d:\n", static_cast<int>(i));
            BVSS_DumpLunInformation(target);
        }
        return S_OK;
    });
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}
