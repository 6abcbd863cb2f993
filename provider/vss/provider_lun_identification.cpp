// The hardware provider's LUN identification: whether the snapshot service's LUNs are the arrays' volumes
// the provider can snapshot, the completion of an array LUN's record, the small identification operations
// the other LUN-side methods use, and this host's iSCSI initiator ports.
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/host/iscsi_ports.h"
#include "provider/vss/hardware_provider.h"

HRESULT BVSS_HardwareProvider::AreLunsSupported(LONG lunCount, LONG context, VSS_PWSZ* devices,
                                                VDS_LUN_INFORMATION* lunInformation, BOOL* isSupported) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::AreLunsSupported");
    // Read again so that a changed StandardVolumesAreSupported counts at once.
    readProviderParameters();
    BVSS_CritSecLock lock(&mCritSec);
    if (isSupported == nullptr) return E_POINTER;
    *isSupported = FALSE;
    HRESULT hr = S_OK;
    if (!isSupportedContext(context)) {
        LogErrorEvent(L"AreLunsSupported(): called with unsupported context %1$d", static_cast<int>(context));
        hr = VSS_E_UNSUPPORTED_CONTEXT;
    } else {
        hr = BVSS_IdentifyLuns(mRaidControllerSet, lunCount, devices, lunInformation,
                               ProviderParameters().StandardVolumesAreSupported, isSupported);
    }
    BVSS_DebugPrint(L"returning 0x%08x, supported=%S\n", hr, *isSupported ? "TRUE" : "FALSE");
    return hr;
}

HRESULT BVSS_HardwareProvider::FillInLunInfo(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation,
                                             BOOL* isSupported) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::FillInLunInfo");
    BVSS_CritSecLock lock(&mCritSec);
    const HRESULT hr = BVSS_CompleteLunInformation(mRaidControllerSet, device, lunInformation, isSupported);
    BVSS_DebugPrint(L"returning 0x%08x, IsSupported = %d\n", hr,
                    isSupported != nullptr ? *isSupported : FALSE);
    return hr;
}

HRESULT BVSS_HardwareProvider::getPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer,
                                                        DWORD length) {
    return BVSS_GetPartitionSerialNumber(lun, buffer, length);
}

BOOL BVSS_HardwareProvider::isOurDevice(const VDS_LUN_INFORMATION* lun, const WCHAR*) {
    return BVSS_IsOurDevice(lun);
}

HRESULT BVSS_HardwareProvider::getSCSIPath(const VDS_LUN_INFORMATION*, const WCHAR* deviceName, BYTE* path,
                                           BYTE* target, ULONG* lunNumber) {
    return BVSS_GetSCSIPath(deviceName, path, target, lunNumber);
}

HRESULT BVSS_HardwareProvider::readPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer,
                                                         DWORD length, const WCHAR* parseFailedEvent) {
    return BVSS_ReadPartitionSerialNumber(lun, buffer, length, parseFailedEvent);
}

bool BVSS_HardwareProvider::findSnapshotBySourceLun(const BYTE* sourceLunId, BYTE* snapshotLunId,
                                                    size_t* position) {
    return BVSS_FindSnapshotBySourceLun(mSet.Luns(), sourceLunId, snapshotLunId, position);
}

HRESULT BVSS_HardwareProvider::getIQNs(std::vector<FlexIDEntry>& ports) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::getIQNs");
    return AddIscsiInitiatorPorts(ports);
}
