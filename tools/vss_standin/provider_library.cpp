#include "tools/vss_standin/provider_library.h"

#include "platform/com/com_classes.h"

namespace standin {

namespace {

template <class Interface>
void ReleaseInterface(Interface** pointer) {
    if (*pointer != nullptr) (*pointer)->Release();
    *pointer = nullptr;
}

}  // namespace

bool ProviderLibrary::Load(const std::string& path) {
    module_ = LoadLibraryA(path.c_str());
    log_.Call("LoadLibrary(" + path + ")",
              module_ != nullptr ? S_OK : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    if (module_ == nullptr) return false;
    canUnloadNow_ = reinterpret_cast<EntryPoint>(GetProcAddress(module_, "DllCanUnloadNow"));
    getClassObject_ = reinterpret_cast<GetClassObject>(GetProcAddress(module_, "DllGetClassObject"));
    registerServer_ = reinterpret_cast<EntryPoint>(GetProcAddress(module_, "DllRegisterServer"));
    unregisterServer_ = reinterpret_cast<EntryPoint>(GetProcAddress(module_, "DllUnregisterServer"));
    if (canUnloadNow_ != nullptr && getClassObject_ != nullptr && registerServer_ != nullptr &&
        unregisterServer_ != nullptr)
        return true;
    log_.Problem("the library does not export the four COM entry points");
    FreeLibrary(module_);
    module_ = nullptr;
    return false;
}

HRESULT ProviderLibrary::RegisterServer() {
    return log_.Call("DllRegisterServer()", module_ != nullptr ? registerServer_() : E_UNEXPECTED);
}

HRESULT ProviderLibrary::UnregisterServer() {
    return log_.Call("DllUnregisterServer()", module_ != nullptr ? unregisterServer_() : E_UNEXPECTED);
}

HRESULT ProviderLibrary::CreateProvider() {
    if (module_ == nullptr || hardware_ != nullptr)
        return log_.Call("a provider from the library", E_UNEXPECTED);
    IClassFactory* factory = nullptr;
    HRESULT hr =
        log_.Call("DllGetClassObject(" + platform::GuidText(kProviderClass) + ", IClassFactory)",
                  getClassObject_(kProviderClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    if (FAILED(hr)) return hr;
    hr = log_.Call("IClassFactory::CreateInstance(IVssHardwareSnapshotProviderEx)",
                   factory->CreateInstance(nullptr, IID_IVssHardwareSnapshotProviderEx,
                                           reinterpret_cast<void**>(&hardware_)));
    factory->Release();
    if (FAILED(hr)) return hr;
    hr = log_.Call(
        "QueryInterface(IVssProviderCreateSnapshotSet)",
        hardware_->QueryInterface(IID_IVssProviderCreateSnapshotSet, reinterpret_cast<void**>(&sequence_)));
    if (FAILED(hr)) return hr;
    hr = log_.Call(
        "QueryInterface(IVssProviderNotifications)",
        hardware_->QueryInterface(IID_IVssProviderNotifications, reinterpret_cast<void**>(&notifications_)));
    if (FAILED(hr)) return hr;
    return log_.Call("IVssProviderNotifications::OnLoad(null)", notifications_->OnLoad(nullptr));
}

HRESULT ProviderLibrary::Unload() {
    if (module_ == nullptr) return S_OK;
    if (notifications_ != nullptr)
        log_.Call("IVssProviderNotifications::OnUnload(FALSE)", notifications_->OnUnload(FALSE));
    ReleaseInterface(&notifications_);
    ReleaseInterface(&sequence_);
    ReleaseInterface(&hardware_);
    const HRESULT canUnload = log_.Call("DllCanUnloadNow()", canUnloadNow_());
    if (canUnload != S_OK) log_.Problem("the library cannot be unloaded although nothing of it is held");
    if (!FreeLibrary(module_)) log_.Problem("FreeLibrary failed");
    module_ = nullptr;
    return canUnload;
}

}  // namespace standin
