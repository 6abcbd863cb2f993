#include "tools/vss_standin/coordinator.h"

#include "platform/com/com_classes.h"
#include "platform/com/com_object.h"
#include "platform/files/registry.h"
#include "tools/vss_standin/registry_text.h"

namespace standin {

namespace {

constexpr DWORD kMaxValueBytes = 512;

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; text != nullptr && *text != 0 && out.size() < kMaxValueBytes; ++text)
        out += static_cast<char>(*text <= 0xFF ? *text : '?');
    return out;
}

std::string ProviderKey(const GUID& providerId) {
    return std::string(kRegisteredProvidersKey) + "\\" + platform::GuidText(providerId);
}

LONG SetText(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

class CoordinatorAdmin : public IVssAdmin {
  public:
    static const ComInterfaceEntry kInterfaces[];
    explicit CoordinatorAdmin(CallLog* log) : log_(log) {}
    virtual ~CoordinatorAdmin() = default;

    HRESULT RegisterProvider(VSS_ID providerId, CLSID classId, VSS_PWSZ providerName,
                             VSS_PROVIDER_TYPE providerType, VSS_PWSZ providerVersion,
                             VSS_ID providerVersionId) override {
        const std::string call = "IVssAdmin::RegisterProvider(" + platform::GuidText(providerId) + ", " +
                                 platform::GuidText(classId) + ", \"" + Narrow(providerName) + "\", " +
                                 std::to_string(providerType) + ", \"" + Narrow(providerVersion) + "\", " +
                                 platform::GuidText(providerVersionId) + ")";
        return log_->Call(call, Register(providerId, classId, providerName, providerType, providerVersion,
                                         providerVersionId));
    }
    HRESULT UnregisterProvider(VSS_ID providerId) override {
        HRESULT hr = S_OK;
        if (!FindRegisteredProvider(providerId, nullptr)) {
            hr = VSS_E_PROVIDER_NOT_REGISTERED;
        } else {
            const LONG status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProviderKey(providerId).c_str());
            hr = status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
        }
        return log_->Call("IVssAdmin::UnregisterProvider(" + platform::GuidText(providerId) + ")", hr);
    }
    HRESULT QueryProviders(IVssEnumObject**) override { return E_NOTIMPL; }
    HRESULT AbortAllSnapshotsInProgress() override { return E_NOTIMPL; }

  private:
    static HRESULT Register(const VSS_ID& providerId, const CLSID& classId, VSS_PWSZ name,
                            VSS_PROVIDER_TYPE type, VSS_PWSZ version, const VSS_ID& versionId) {
        if (name == nullptr || version == nullptr) return E_INVALIDARG;
        if (FindRegisteredProvider(providerId, nullptr)) return VSS_E_PROVIDER_ALREADY_REGISTERED;
        HKEY key = nullptr;
        LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProviderKey(providerId).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        const DWORD typeValue = static_cast<DWORD>(type);
        status = SetText(key, "", Narrow(name));
        if (status == ERROR_SUCCESS)
            status = RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&typeValue),
                                    sizeof typeValue);
        if (status == ERROR_SUCCESS) status = SetText(key, "Version", Narrow(version));
        if (status == ERROR_SUCCESS) status = SetText(key, "VersionId", platform::GuidText(versionId));
        if (status == ERROR_SUCCESS) status = SetText(key, "CLSID", platform::GuidText(classId));
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
    }

    CallLog* log_;
};
const ComInterfaceEntry CoordinatorAdmin::kInterfaces[] = {
    ComEntry<CoordinatorAdmin, IVssAdmin>(IID_IVssAdmin), {}};

// Hands out a new administration object for each creation.
class CoordinatorFactory : public IClassFactory {
  public:
    static const ComInterfaceEntry kInterfaces[];
    explicit CoordinatorFactory(CallLog* log) : log_(log) {}
    virtual ~CoordinatorFactory() = default;

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return ComCreate<CoordinatorAdmin>(nullptr, outer, iid, object, log_);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

  private:
    CallLog* log_;
};
const ComInterfaceEntry CoordinatorFactory::kInterfaces[] = {
    ComEntry<CoordinatorFactory, IClassFactory>(IID_IClassFactory), {}};

}  // namespace

bool FindRegisteredProvider(const GUID& providerId, RegisteredProvider* provider) {
    const std::string key = ProviderKey(providerId);
    if (!RegistryKeyExists(HKEY_LOCAL_MACHINE, key)) return false;
    if (provider == nullptr) return true;
    provider->name = RegistryText(HKEY_LOCAL_MACHINE, key, "");
    provider->version = RegistryText(HKEY_LOCAL_MACHINE, key, "Version");
    provider->versionId = RegistryText(HKEY_LOCAL_MACHINE, key, "VersionId");
    provider->classId = RegistryText(HKEY_LOCAL_MACHINE, key, "CLSID");
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD valueType = 0;
        DWORD size = sizeof type;
        if (RegQueryValueExA(handle, "Type", nullptr, &valueType, reinterpret_cast<BYTE*>(&type), &size) ==
                ERROR_SUCCESS &&
            valueType == REG_DWORD)
            provider->type = type;
        RegCloseKey(handle);
    }
    return true;
}

CoordinatorClass::CoordinatorClass(CallLog& log) {
    IClassFactory* factory = nullptr;
    if (FAILED(ComCreate<CoordinatorFactory>(nullptr, nullptr, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory), &log)))
        return;
    if (FAILED(
            CoRegisterClassObject(CLSID_VSSCoordinator, factory, CLSCTX_ALL, REGCLS_MULTIPLEUSE, &cookie_)))
        cookie_ = 0;
    factory->Release();  // the class table holds its own reference
}

CoordinatorClass::~CoordinatorClass() {
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

}  // namespace standin
