// The lookup of a snapshot LUN's partition through the controller set, shared by the LUN-side methods.
#include "provider/vss/lun_lookup.h"

HRESULT BVSS_LunLookup::Parse(const VDS_LUN_INFORMATION* lun, const WCHAR* parseFailedEvent) {
    const HRESULT hr = parseFailedEvent != nullptr
                           ? BVSS_ReadPartitionSerialNumber(lun, serial, sizeof serial, parseFailedEvent)
                           : BVSS_GetPartitionSerialNumber(lun, serial, sizeof serial);
    parsed_ = SUCCEEDED(hr);
    return hr;
}

HRESULT BVSS_LunLookup::Find(LunRediscovery rediscovery) {
    rediscovered_ = false;
    HRESULT hr = LookUp();
    if (SUCCEEDED(hr) || rediscovery == LunRediscovery::Never) return hr;
    rediscovered_ = true;
    const HRESULT discovered = set_.discoverRaidControllers(TRUE);
    if (rediscovery == LunRediscovery::LookAgainIfDiscovered && FAILED(discovered)) return hr;
    return LookUp();
}

HRESULT BVSS_LunLookup::LookUp() {
    if (!parsed_) return VSS_E_OBJECT_NOT_FOUND;
    if (wanted_ == LunControllers::First)
        return set_.findPartitionAndController(serial, sizeof serial, &partition, &controller);
    return set_.findPartitionArrayAndControllerList(serial, sizeof serial, &partition, &array, &controllers);
}
