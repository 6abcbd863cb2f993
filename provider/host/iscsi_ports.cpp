#include "provider/host/iscsi_ports.h"

#include <cstring>

#include "provider/controllers/debug_log.h"
#include "provider/host/wmi_service.h"

HRESULT AddIscsiInitiatorPorts(std::vector<FlexIDEntry>& ports) {
    HostIqnVec iqns;
    WmiService wmi;
    const HRESULT hr = wmi.GetHostIQNs(iqns);
    if (SUCCEEDED(hr)) {
        for (const std::string& name : iqns) {
            if (name.size() >= kIscsiNameChars) {
                BVSS_DebugPrint(L"Skipping iSCSI name of %d characters: longer than an iSCSI name may be.\n",
                                static_cast<int>(name.size()));
                continue;
            }
            FlexIDEntry entry{};
            std::memcpy(entry.mIscsiName, name.c_str(), name.size() + 1);
            entry.mKind = kFlexKindIscsi;
            entry.mPortType = kFlexPortTypeIscsi;
            ports.push_back(entry);
        }
    }
    return hr;
}
