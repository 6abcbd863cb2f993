#include "provider/vss/provider_module.h"

#include "provider/vss/hardware_provider.h"
#include "provider/vss/provider_ids.h"

namespace {

struct ClassMapEntry {
    const CLSID* clsid;
    ComClassFactory::Creator create;
};

constexpr ClassMapEntry kClassMap[] = {
    {&CLSID_BVSS_HardwareProvider, &CreateHardwareProvider},
};

}  // namespace

CBrenlowHardwareProviderModule& ProviderModule() {
    static CBrenlowHardwareProviderModule module;
    return module;
}

HRESULT CBrenlowHardwareProviderModule::DllCanUnloadNow() {
    return objects_.Count() == 0 && !BVSS_HardwareProvider::SessionAlive() ? S_OK : S_FALSE;
}

HRESULT CBrenlowHardwareProviderModule::DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    for (const ClassMapEntry& entry : kClassMap) {
        if (*entry.clsid == clsid) return ComGetClassFactory(&objects_, entry.create, iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
