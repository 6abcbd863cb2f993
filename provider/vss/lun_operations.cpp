// The LUN-side operations of the hardware provider interface: snapshot-set preparation, target LUN
// description, import and masking, deletion and resynchronisation. Each answers E_NOTIMPL, touching
// nothing, until it is built.
#include "provider/vss/hardware_provider.h"

HRESULT BVSS_HardwareProvider::BeginPrepareSnapshot(VSS_ID, VSS_ID, LONG, LONG, VSS_PWSZ*, VDS_LUN_INFORMATION*) {
    return E_NOTIMPL;
}

HRESULT BVSS_HardwareProvider::LocateLuns(LONG, VDS_LUN_INFORMATION*) { return E_NOTIMPL; }

HRESULT BVSS_HardwareProvider::OnLunEmpty(VSS_PWSZ, VDS_LUN_INFORMATION*) { return E_NOTIMPL; }

HRESULT BVSS_HardwareProvider::OnLunStateChange(VDS_LUN_INFORMATION*, VDS_LUN_INFORMATION*, DWORD, DWORD) {
    return E_NOTIMPL;
}

HRESULT BVSS_HardwareProvider::ResyncLuns(VDS_LUN_INFORMATION*, VDS_LUN_INFORMATION*, DWORD, IVssAsync**) {
    return E_NOTIMPL;
}
