// WMI as the multipath path choice and the provider's host-port search read it: a locator connects to a
// namespace, a service runs a WQL query or enumerates a class's instances, an enumerator hands out the result
// objects, an object answers properties by name (and their CIM type). Not COM: the answers come from one WMI
// provider (the fabric, or a test's script) that gets the namespace and the query text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/win_types.h"

constexpr HRESULT WBEM_S_NO_ERROR = 0;
constexpr HRESULT WBEM_S_FALSE = 1;
constexpr HRESULT WBEM_E_FAILED = static_cast<HRESULT>(0x80041001);
constexpr HRESULT WBEM_E_NOT_FOUND = static_cast<HRESULT>(0x80041002);
constexpr HRESULT WBEM_E_INVALID_NAMESPACE = static_cast<HRESULT>(0x8004100E);
constexpr HRESULT WBEM_E_INVALID_QUERY = static_cast<HRESULT>(0x80041017);
constexpr long WBEM_FLAG_RETURN_IMMEDIATELY = 0x10;
constexpr long WBEM_FLAG_FORWARD_ONLY = 0x20;
constexpr long WBEM_INFINITE = -1;
constexpr long WBEM_FLAG_SHALLOW = 1;

// The CIM type of a property value.
using CIMTYPE = long;
constexpr CIMTYPE CIM_EMPTY = 0;  // a value that holds nothing
constexpr CIMTYPE CIM_SINT32 = 3;
constexpr CIMTYPE CIM_STRING = 8;
constexpr CIMTYPE CIM_BOOLEAN = 11;
constexpr CIMTYPE CIM_OBJECT = 13;
constexpr CIMTYPE CIM_UINT32 = 19;
constexpr CIMTYPE CIM_UINT64 = 21;
constexpr CIMTYPE CIM_FLAG_ARRAY = 0x2000;

class IWbemClassObject;
using WmiObjectRef = std::shared_ptr<const IWbemClassObject>;
// A property value: nothing, a flag, a number, a text, an embedded object or an array of objects.
using WmiValue = std::variant<std::monostate, bool, int32_t, uint32_t, uint64_t, std::string, WmiObjectRef,
                              std::vector<WmiObjectRef>>;

// One WMI object: its properties by name.
class IWbemClassObject {
  public:
    IWbemClassObject() = default;
    explicit IWbemClassObject(std::map<std::string, WmiValue> properties)
        : properties_(std::move(properties)) {}
    // WBEM_E_NOT_FOUND for a property the object does not have; type (when given) receives its CIM type.
    HRESULT Get(const std::string& name, WmiValue* value, CIMTYPE* type = nullptr) const;
    void Put(const std::string& name, WmiValue value) { properties_[name] = std::move(value); }
    const std::map<std::string, WmiValue>& Properties() const { return properties_; }

  private:
    std::map<std::string, WmiValue> properties_;
};

class IEnumWbemClassObject {
  public:
    explicit IEnumWbemClassObject(std::vector<WmiObjectRef> objects) : objects_(std::move(objects)) {}
    // Hands out up to count objects; WBEM_S_FALSE when fewer than count were left.
    HRESULT Next(long timeout, ULONG count, WmiObjectRef* objects, ULONG* returned);
    void Release() { delete this; }

  private:
    std::vector<WmiObjectRef> objects_;
    size_t next_ = 0;
};

class IWbemServices {
  public:
    explicit IWbemServices(std::string nameSpace) : nameSpace_(std::move(nameSpace)) {}
    // Only the language "WQL"; the provider answers the query text.
    HRESULT ExecQuery(const std::string& language, const std::string& query, long flags,
                      IEnumWbemClassObject** enumerator);
    // Every instance of the class (the provider answers "SELECT * FROM <class>").
    HRESULT CreateInstanceEnum(const std::string& className, long flags, IEnumWbemClassObject** enumerator);
    void Release() { delete this; }

  private:
    std::string nameSpace_;
};

class IWbemLocator {
  public:
    // resource: "\\<computer>\<namespace>" or the namespace alone. The namespaces "root\wmi" and
    // "root\cimv2" always exist; "root\Microsoft\Windows\Storage" exists when the provider answers a query
    // of its "__NAMESPACE" class (a host without the storage management classes does not have it).
    HRESULT ConnectServer(const std::string& resource, IWbemServices** services);
    void Release() { delete this; }
};

// Stands in for creating the WMI locator object in process.
HRESULT CreateWbemLocator(IWbemLocator** locator);

// The error that the WMI support classes raise.
class _com_error {
  public:
    _com_error(HRESULT code, std::string source, std::string description, std::string message = {})
        : code_(code),
          source_(std::move(source)),
          description_(std::move(description)),
          message_(std::move(message)) {}
    HRESULT Error() const { return code_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }
    const std::string& ErrorMessage() const { return message_; }

  private:
    HRESULT code_;
    std::string source_, description_, message_;
};

namespace platform {

// What answers WMI queries. Query may throw _com_error.
class WmiProvider {
  public:
    virtual ~WmiProvider() = default;
    virtual HRESULT Query(const std::string& nameSpace, const std::string& query,
                          std::vector<WmiObjectRef>* results) = 0;
};

// Installs the provider (null: every query fails with WBEM_E_FAILED). The caller keeps it alive.
void SetWmiProvider(WmiProvider* provider);

}  // namespace platform
