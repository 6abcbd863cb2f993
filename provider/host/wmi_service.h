// The host's iSCSI initiator names as WMI reports them: the initiator class of "ROOT\WMI" and, where the
// host has it, the initiator-port class of the storage management namespace. One object serves one search:
// it connects when built and lets go of its services when destroyed.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_results.h"
#include "platform/devices/wmi.h"

// The iSCSI names found, in the order found (a name two classes report is listed twice).
using HostIqnVec = std::vector<std::string>;

class WmiService {
  public:
    WmiService();
    ~WmiService();
    WmiService(const WmiService&) = delete;
    WmiService& operator=(const WmiService&) = delete;

    // Connects to "ROOT\WMI" (required) and "root\Microsoft\Windows\Storage" (optional: a failure there
    // still answers S_OK, without that service).
    HRESULT WmiInitialize();
    // Appends every initiator name of both classes that WMI answers. Always S_OK.
    HRESULT GetHostIQNs(HostIqnVec& iqns);
    void WmiUnInitialize();

  private:
    void AddInitiatorNames(HostIqnVec& iqns);
    void AddInitiatorPortNames(HostIqnVec& iqns);

    IWbemLocator* pLoc = nullptr;
    IWbemServices* pSvc = nullptr;    // ROOT\WMI
    IWbemServices* pSvcG2 = nullptr;  // root\Microsoft\Windows\Storage, null when it could not be opened
};
