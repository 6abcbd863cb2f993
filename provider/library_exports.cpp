// The four entry points the library exports, as a COM loader and a registration tool call them.
#include "platform/com/com_unknown.h"
#include "provider/vss/provider_module.h"

#define COM_ENTRY extern "C" __attribute__((visibility("default")))

COM_ENTRY HRESULT DllCanUnloadNow() { return ProviderModule().DllCanUnloadNow(); }

COM_ENTRY HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return ProviderModule().DllGetClassObject(clsid, iid, object);
}

COM_ENTRY HRESULT DllRegisterServer() { return ProviderModule().DllRegisterServer(); }

COM_ENTRY HRESULT DllUnregisterServer() { return ProviderModule().DllUnregisterServer(); }
