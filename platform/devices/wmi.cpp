#include "platform/devices/wmi.h"

#include <strings.h>

#include <atomic>

namespace {

std::atomic<platform::WmiProvider*> g_Provider{nullptr};

constexpr const char* kNamespaces[] = {"root\\wmi", "root\\cimv2"};
// Namespaces that exist only when the provider answers in them.
constexpr const char* kOptionalNamespaces[] = {"root\\Microsoft\\Windows\\Storage"};

CIMTYPE CimTypeOf(const WmiValue& value) {
    struct Visitor {
        CIMTYPE operator()(std::monostate) const { return CIM_EMPTY; }
        CIMTYPE operator()(bool) const { return CIM_BOOLEAN; }
        CIMTYPE operator()(int32_t) const { return CIM_SINT32; }
        CIMTYPE operator()(uint32_t) const { return CIM_UINT32; }
        CIMTYPE operator()(uint64_t) const { return CIM_UINT64; }
        CIMTYPE operator()(const std::string&) const { return CIM_STRING; }
        CIMTYPE operator()(const WmiObjectRef&) const { return CIM_OBJECT; }
        CIMTYPE operator()(const std::vector<WmiObjectRef>&) const { return CIM_OBJECT | CIM_FLAG_ARRAY; }
    };
    return std::visit(Visitor{}, value);
}

bool OptionalNamespaceExists(const std::string& nameSpace) {
    platform::WmiProvider* provider = g_Provider.load();
    if (provider == nullptr) return false;
    std::vector<WmiObjectRef> ignored;
    try {
        return provider->Query(nameSpace, "SELECT * FROM __NAMESPACE", &ignored) >= 0;
    } catch (const _com_error&) {
        return false;
    }
}

}  // namespace

namespace platform {
void SetWmiProvider(WmiProvider* provider) { g_Provider.store(provider); }
}  // namespace platform

HRESULT IWbemClassObject::Get(const std::string& name, WmiValue* value, CIMTYPE* type) const {
    auto it = properties_.find(name);
    if (it == properties_.end()) return WBEM_E_NOT_FOUND;
    if (value != nullptr) *value = it->second;
    if (type != nullptr) *type = CimTypeOf(it->second);
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

HRESULT IWbemServices::CreateInstanceEnum(const std::string& className, long flags,
                                          IEnumWbemClassObject** enumerator) {
    if (enumerator == nullptr) return WBEM_E_FAILED;
    *enumerator = nullptr;
    if (className.empty() || className.find_first_of(" '\"") != std::string::npos)
        return WBEM_E_INVALID_QUERY;
    return ExecQuery("WQL", "SELECT * FROM " + className, flags, enumerator);
}

HRESULT IWbemLocator::ConnectServer(const std::string& resource, IWbemServices** services) {
    if (services == nullptr) return WBEM_E_FAILED;
    *services = nullptr;
    std::string nameSpace = resource;
    // "\\computer\namespace": the namespace follows the computer name.
    if (resource.compare(0, 2, "\\\\") == 0) {
        const size_t separator = resource.find('\\', 2);
        if (separator == std::string::npos) return WBEM_E_INVALID_NAMESPACE;
        nameSpace = resource.substr(separator + 1);
    }
    for (const char* known : kNamespaces) {
        if (strcasecmp(nameSpace.c_str(), known) == 0) {
            *services = new IWbemServices(known);
            return WBEM_S_NO_ERROR;
        }
    }
    for (const char* optional : kOptionalNamespaces) {
        if (strcasecmp(nameSpace.c_str(), optional) == 0 && OptionalNamespaceExists(optional)) {
            *services = new IWbemServices(optional);
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
