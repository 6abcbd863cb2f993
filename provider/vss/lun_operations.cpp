// The LUN-side operations of the hardware provider interface not built yet: import and masking. Each
// answers E_NOTIMPL, touching nothing.
#include "provider/vss/hardware_provider.h"

HRESULT BVSS_HardwareProvider::LocateLuns(LONG, VDS_LUN_INFORMATION*) { return E_NOTIMPL; }

HRESULT BVSS_HardwareProvider::OnLunStateChange(VDS_LUN_INFORMATION*, VDS_LUN_INFORMATION*, DWORD, DWORD) {
    return E_NOTIMPL;
}
