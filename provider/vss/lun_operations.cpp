// The LUN-side operation of the hardware provider interface not built yet: snapshot-set preparation. It
// answers E_NOTIMPL, touching nothing.
#include "provider/vss/hardware_provider.h"

HRESULT BVSS_HardwareProvider::BeginPrepareSnapshot(VSS_ID, VSS_ID, LONG, LONG, VSS_PWSZ*, VDS_LUN_INFORMATION*) {
    return E_NOTIMPL;
}
