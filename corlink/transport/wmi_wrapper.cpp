#include "corlink/transport/wmi_wrapper.h"

#include <atomic>

#include "corlink/transport/mpio_log.h"
#include "platform/com/com_init.h"

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0xC00000EF);
constexpr HRESULT kNoObject = static_cast<HRESULT>(0xC0000225);
constexpr LONG kDefaultAuthServices = -1;

std::atomic<bool> g_ComInitialized{false};

void InitializeCom() {
    if (g_ComInitialized) return;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == S_OK) {
        MpioLog("CoInitializeEx succeeded");
        g_ComInitialized = true;
    } else {
        MpioLog("CoInitializeEx failed: 0x%x", static_cast<unsigned>(hr));
    }
}

}  // namespace

WmiWrapper::WmiWrapper(const char* nameSpace, const char* computer) {
    InitializeCom();
    HRESULT hr =
        CoInitializeSecurity(nullptr, kDefaultAuthServices, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (hr != S_OK) MpioLog("CoInitalizeSecurity failed: 0x%x", static_cast<unsigned>(hr));
    hr = CreateWbemLocator(&locator_);
    if (hr != S_OK) {
        MpioLog("CoCreateInstance failed: 0x%x", static_cast<unsigned>(hr));
        locator_ = nullptr;
        return;
    }
    // "." names this computer.
    const std::string resource =
        std::string("\\\\") + (computer != nullptr ? computer : ".") + "\\" + nameSpace;
    hr = locator_->ConnectServer(resource, &services_);
    if (hr != S_OK) {
        MpioLog("WbemLocator->ConnectServer failed: 0x%x", static_cast<unsigned>(hr));
        locator_->Release();
        locator_ = nullptr;
        services_ = nullptr;
    }
}

WmiWrapper::~WmiWrapper() {
    if (services_ != nullptr) services_->Release();
    if (locator_ != nullptr) locator_->Release();
}

HRESULT WmiWrapper::ExecQuery(const std::string& query, IEnumWbemClassObject** enumerator,
                              WmiObjectRef* first) {
    *enumerator = nullptr;
    if (services_ == nullptr) {
        MpioLog("WmiWrapper::ExecQuery: not initialized properly");
        return kNotInitialized;
    }
    HRESULT hr =
        services_->ExecQuery("WQL", query, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, enumerator);
    if (hr < 0) return hr;
    ULONG returned = 0;
    hr = (*enumerator)->Next(WBEM_INFINITE, 1, first, &returned);
    if (returned == 1) return S_OK;
    (*enumerator)->Release();
    *enumerator = nullptr;
    return hr < 0 ? hr : kNoObject;
}
