// The WMI classes the multipath path choice reads, answered from the fabric: Win32_DiskDrive (root\cimv2)
// for every host disk, and for each disk of an array (a multipath disk, its instance beginning "MPIO\")
// DSM_QueryLBPolicy_V2 and MPIO_GET_DESCRIPTOR (root\wmi): one path through each controller, the one
// through controller A optimized, a path through a controller that is gone or down failed. For the host's
// ports: MSiSCSIInitiator_MethodClass (root\wmi) and MSFT_InitiatorPort (root\Microsoft\Windows\Storage,
// absent when the host's storageWmi is off).
#pragma once

#include <string>

#include "platform/devices/wmi.h"
#include "sim/fabric.h"

namespace sim {

// The MPIO path id of the path through this adapter.
uint64_t MpioPathId(uint8_t adapter);

class FabricWmi final : public platform::WmiProvider {
  public:
    explicit FabricWmi(const Fabric& fabric) : fabric_(fabric) {}
    HRESULT Query(const std::string& nameSpace, const std::string& query,
                  std::vector<WmiObjectRef>* results) override;

  private:
    const Fabric& fabric_;
};

// One WQL query as the path choice writes it: "SELECT * FROM <class>" and optionally
// " WHERE <key>=<literal>" or " WHERE <key> LIKE '<prefix>%'" (further conditions are not looked at).
struct WqlQuery {
    std::string className;
    std::string key;    // empty without a WHERE clause
    std::string value;  // the literal, unescaped; a LIKE pattern without its final '%'
    bool like = false;
};
bool ParseWql(const std::string& query, WqlQuery* parsed);

}  // namespace sim
