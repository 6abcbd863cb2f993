#include "platform/wmi.h"

#include <atomic>
#include <strings.h>

namespace {

std::atomic<platform::WmiProvider*> g_Provider{nullptr};

constexpr const char* kNamespaces[] = {"root\\wmi", "root\\cimv2"};

}  // namespace

namespace platform {
void SetWmiProvider(WmiProvider* provider) {
    g_Provider.store(provider);
}
}  // namespace platform

HRESULT IWbemClassObject::Get(const std::string& name, WmiValue* value) const {
    auto it = properties_.find(name);
    if (it == properties_.end()) return WBEM_E_NOT_FOUND;
    if (value != nullptr) *value = it->second;
    return WBEM_S_NO_ERROR;
}

HRESULT IEnumWbemClassObject::Next(long, ULONG count, WmiObjectRef* objects, ULONG* returned) {
    ULONG n = 0;
    while (n < count && next_ < objects_.size()) objects[n++] = objects_[next_++];
    if (returned != nullptr) *returned = n;
    return n == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
}

HRESULT IWbemServices::ExecQuery(const std::string& language, const std::string& query, long,
                                 IEnumWbemClassObject** enumerator) {
    if (enumerator == nullptr || strcasecmp(language.c_str(), "WQL") != 0) return WBEM_E_INVALID_QUERY;
    *enumerator = nullptr;
    platform::WmiProvider* provider = g_Provider.load();
    if (provider == nullptr) return WBEM_E_FAILED;
    std::vector<WmiObjectRef> results;
    HRESULT hr = provider->Query(nameSpace_, query, &results);
    if (hr < 0) return hr;
    *enumerator = new IEnumWbemClassObject(std::move(results));
    return WBEM_S_NO_ERROR;
}

HRESULT IWbemLocator::ConnectServer(const std::string& resource, IWbemServices** services) {
    if (services == nullptr) return WBEM_E_FAILED;
    *services = nullptr;
    // "\\computer\namespace": the namespace follows the computer name.
    if (resource.size() < 3 || resource.compare(0, 2, "\\\\") != 0) return WBEM_E_INVALID_NAMESPACE;
    size_t separator = resource.find('\\', 2);
    if (separator == std::string::npos) return WBEM_E_INVALID_NAMESPACE;
    const std::string nameSpace = resource.substr(separator + 1);
    for (const char* known : kNamespaces) {
        if (strcasecmp(nameSpace.c_str(), known) == 0) {
            *services = new IWbemServices(known);
            return WBEM_S_NO_ERROR;
        }
    }
    return WBEM_E_INVALID_NAMESPACE;
}

HRESULT CreateWbemLocator(IWbemLocator** locator) {
    if (locator == nullptr) return WBEM_E_FAILED;
    *locator = new IWbemLocator();
    return WBEM_S_NO_ERROR;
}
