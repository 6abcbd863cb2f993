// The library's COM module: its count of living objects and server locks, its class map (the one
// creatable class, the hardware provider), and the four entry points the library exports.
#pragma once

#include "platform/com/com_object.h"

class CBrenlowHardwareProviderModule {
  public:
    ComModule& Objects() { return objects_; }

    // S_OK when no object, factory or server lock lives and the provider's proxy session and its
    // heart-beat thread are down; S_FALSE otherwise.
    HRESULT DllCanUnloadNow();
    // A class factory of a class of the map; CLASS_E_CLASSNOTAVAILABLE for any other class.
    HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
    // COM registration, then the provider's registration with the snapshot service's coordinator.
    HRESULT DllRegisterServer();
    // The provider's removal from the coordinator, then COM unregistration.
    HRESULT DllUnregisterServer();

  private:
    ComModule objects_;
};

// The library's one module.
CBrenlowHardwareProviderModule& ProviderModule();
