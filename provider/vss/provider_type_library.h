// The provider's type library: the library, its class BVSS_HardwareProvider and the dual interface
// IBVSS_HardwareProvider, kept as data in this module (where a Windows module carries a TYPELIB resource)
// and loaded through the module's file like any type library.
#pragma once

#include "platform/com/type_library.h"

constexpr WORD kProviderTypeLibMajor = 1;
constexpr WORD kProviderTypeLibMinor = 0;

// The type information of the class or the interface with that GUID, from the library of this module.
HRESULT LoadProviderTypeInfo(REFGUID guid, ITypeInfo** info);
// The library of this module (with the module's file path), for registration.
HRESULT LoadProviderTypeLib(ITypeLib** library);

// Runs call(info) on that type information and returns its result, or the failure to load it.
template <class Call>
HRESULT WithProviderTypeInfo(REFGUID guid, Call call) {
    ITypeInfo* info = nullptr;
    HRESULT result = LoadProviderTypeInfo(guid, &info);
    if (FAILED(result)) return result;
    result = call(info);
    info->Release();
    return result;
}
