// The snapshot service's coordinator as far as a provider's registration reaches it: the IVssAdmin object
// that CoCreateInstance of CLSID_VSSCoordinator hands out while the stand-in's class object is in the
// process's class table. The providers it knows live in the registry under
// SYSTEM\CurrentControlSet\Services\VSS\Providers\{provider ID} (name, type, version, version ID, class), so
// that a later run finds them: registering a provider ID it knows answers VSS_E_PROVIDER_ALREADY_REGISTERED,
// and unregistering one it does not know VSS_E_PROVIDER_NOT_REGISTERED. Every call is printed.
#pragma once

#include <string>

#include "platform/com/vss_interfaces.h"
#include "tools/vss_standin/call_log.h"

namespace standin {

inline constexpr const char* kRegisteredProvidersKey = "SYSTEM\\CurrentControlSet\\Services\\VSS\\Providers";

// A provider the coordinator knows.
struct RegisteredProvider {
    std::string name;
    DWORD type = 0;
    std::string version;
    std::string versionId;  // "{...}"
    std::string classId;    // "{...}"
};

// Whether the coordinator knows the provider ID, and what it keeps of it.
bool FindRegisteredProvider(const GUID& providerId, RegisteredProvider* provider);

// The coordinator's class object registered in the class table for the stand-in's life.
class CoordinatorClass {
  public:
    explicit CoordinatorClass(CallLog& log);
    ~CoordinatorClass();
    CoordinatorClass(const CoordinatorClass&) = delete;
    CoordinatorClass& operator=(const CoordinatorClass&) = delete;

    bool Registered() const { return cookie_ != 0; }

  private:
    DWORD cookie_ = 0;
};

}  // namespace standin
