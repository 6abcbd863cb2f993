// The provider library as the snapshot service loads it: the shared library loaded and its four exports
// found, its registration run, its class object taken from DllGetClassObject and the provider created
// through IClassFactory::CreateInstance, asked for the service's three interfaces; and at the end the
// unload (OnUnload, every reference released, DllCanUnloadNow, the library freed). Every call is printed.
#pragma once

#include <string>

#include "platform/com/vss_interfaces.h"
#include "platform/system/module_library.h"
#include "tools/vss_standin/call_log.h"

namespace standin {

// {122E0BAB-DAE0-4285-B708-EB497440927A}: the provider class the service is registered to create.
inline constexpr CLSID kProviderClass = {
    0x122E0BAB, 0xDAE0, 0x4285, {0xB7, 0x08, 0xEB, 0x49, 0x74, 0x40, 0x92, 0x7A}};
// {9D09666C-5CF8-45CA-9294-127C95562094}: the provider ID it registers with the coordinator.
inline constexpr GUID kProviderId = {
    0x9D09666C, 0x5CF8, 0x45CA, {0x92, 0x94, 0x12, 0x7C, 0x95, 0x56, 0x20, 0x94}};

class ProviderLibrary {
  public:
    explicit ProviderLibrary(CallLog& log) : log_(log) {}
    ~ProviderLibrary() { Unload(); }
    ProviderLibrary(const ProviderLibrary&) = delete;
    ProviderLibrary& operator=(const ProviderLibrary&) = delete;

    // Loads the library and finds its exports; false (printed) when it cannot.
    bool Load(const std::string& path);
    HRESULT RegisterServer();
    HRESULT UnregisterServer();
    // The class object, a provider from it and the provider's interfaces; the class object is released.
    HRESULT CreateProvider();
    // OnUnload(FALSE), every interface released, then DllCanUnloadNow and FreeLibrary; the result of
    // DllCanUnloadNow (S_OK expected once nothing is held), S_OK when nothing was loaded.
    HRESULT Unload();

    IVssHardwareSnapshotProviderEx* Hardware() const { return hardware_; }
    IVssProviderCreateSnapshotSet* Sequence() const { return sequence_; }
    IVssProviderNotifications* Notifications() const { return notifications_; }

  private:
    using EntryPoint = HRESULT (*)();
    using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);

    CallLog& log_;
    HMODULE module_ = nullptr;
    EntryPoint canUnloadNow_ = nullptr;
    GetClassObject getClassObject_ = nullptr;
    EntryPoint registerServer_ = nullptr;
    EntryPoint unregisterServer_ = nullptr;
    IVssHardwareSnapshotProviderEx* hardware_ = nullptr;
    IVssProviderCreateSnapshotSet* sequence_ = nullptr;
    IVssProviderNotifications* notifications_ = nullptr;
};

}  // namespace standin
