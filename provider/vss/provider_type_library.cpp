#include "provider/vss/provider_type_library.h"

#include <string>

#include "provider/vss/module_path.h"
#include "provider/vss/provider_ids.h"

namespace {

constexpr TypeDescription kTypes[] = {
    // clang-format off
    {TKIND_COCLASS, CLSID_BVSS_HardwareProvider, L"BVSS_HardwareProvider", L"BVSS_HardwareProvider Class",
     TYPEFLAG_FCANCREATE},
    {TKIND_DISPATCH, IID_IBVSS_HardwareProvider, L"IBVSS_HardwareProvider", L"IBVSS_HardwareProvider Interface",
     TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE},
    // clang-format on
};

constexpr TypeLibDescription kLibrary = {LIBID_BrenlowHardwareProvider,
                                         kProviderTypeLibMajor,
                                         kProviderTypeLibMinor,
                                         L"DOVURERUDOredezor",
                                         L"CAPI PS VSS Hardware Provider 1.0 Type Library",
                                         kTypes,
                                         sizeof kTypes / sizeof kTypes[0]};

// The module's type library resource, known to LoadTypeLib while the module is loaded.
const platform::TypeLibResource kResource(kLibrary);

}  // namespace

HRESULT LoadProviderTypeLib(ITypeLib** library) {
    const std::string path = ModulePath();
    const std::wstring widePath(path.begin(), path.end());
    return LoadTypeLib(widePath.c_str(), library);
}

HRESULT LoadProviderTypeInfo(REFGUID guid, ITypeInfo** info) {
    ITypeLib* library = nullptr;
    const HRESULT loaded = LoadProviderTypeLib(&library);
    if (FAILED(loaded)) return loaded;
    const HRESULT found = library->GetTypeInfoOfGuid(guid, info);
    library->Release();
    return found;
}
