// One WMI connection to a namespace, for the multipath path lookup.
#pragma once

#include <string>

#include "platform/devices/wmi.h"

class WmiWrapper {
  public:
    // Connects to nameSpace on computer (this computer when null); stays unconnected on failure.
    WmiWrapper(const char* nameSpace, const char* computer);
    virtual ~WmiWrapper();
    WmiWrapper(const WmiWrapper&) = delete;
    WmiWrapper& operator=(const WmiWrapper&) = delete;

    // Runs a WQL query and fetches its first object: 0 with both set, else a failure code (0xC00000EF
    // unconnected, the query's failure, 0xC0000225 for no object).
    HRESULT ExecQuery(const std::string& query, IEnumWbemClassObject** enumerator, WmiObjectRef* first);

  private:
    IWbemLocator* locator_ = nullptr;
    IWbemServices* services_ = nullptr;
};
