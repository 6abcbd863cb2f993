#include "provider/host/wmi_service.h"

#include <strings.h>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"

namespace {

// The security every WMI service proxy of the provider uses.
HRESULT SetServiceSecurity(IWbemServices* service) {
    return CoSetProxyBlanket(service, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

template <class T>
void ReleaseAndForget(T*& pointer) {
    if (pointer != nullptr) pointer->Release();
    pointer = nullptr;
}

// Hands every instance of the class to `each`, one at a time, until the enumeration ends or fails. A class
// that cannot be enumerated logs failureFormat with the result.
template <class Each>
void ForEachInstance(IWbemServices* service, const char* className, const WCHAR* failureFormat, Each each) {
    IEnumWbemClassObject* enumerator = nullptr;
    const HRESULT hr = service->CreateInstanceEnum(className, WBEM_FLAG_SHALLOW, &enumerator);
    if (FAILED(hr)) {
        BVSS_DebugPrint(failureFormat, hr);
        return;
    }
    for (;;) {
        WmiObjectRef object;
        ULONG returned = 0;
        const HRESULT hRes = enumerator->Next(WBEM_INFINITE, 1, &object, &returned);
        if (hRes != 0) {
            BVSS_DebugPrint(L"pIEnumWbemClassObject->Next hRes = %d.\n", hRes);
            break;
        }
        BVSS_DebugPrint(L"pIEnumWbemClassObject->Next uReturn = %d.\n", static_cast<int>(returned));
        if (returned == 0) break;
        each(*object);
        object.reset();
    }
    enumerator->Release();
}

}  // namespace

WmiService::WmiService() { WmiInitialize(); }

WmiService::~WmiService() {
    WmiUnInitialize();
    pLoc = nullptr;
    pSvc = nullptr;
    pSvcG2 = nullptr;
}

HRESULT WmiService::WmiInitialize() {
    BVSS_FunctionTrace trace(L"WmiService::WmiInitialize");
    HRESULT hr = CreateWbemLocator(&pLoc);
    if (FAILED(hr)) return hr;
    hr = pLoc->ConnectServer("ROOT\\WMI", &pSvc);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"WMI connect to ROOT\\WMI failed (0x%x)", hr);
        ReleaseAndForget(pLoc);
        return hr;
    }
    hr = SetServiceSecurity(pSvc);
    if (FAILED(hr)) {
        ReleaseAndForget(pSvc);
        ReleaseAndForget(pLoc);
        return hr;
    }
    hr = pLoc->ConnectServer("root\\Microsoft\\Windows\\Storage", &pSvcG2);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"WMI connect to ROOT\\Microsoft\\Windows\\Storage failed (0x%x)", hr);
        pSvcG2 = nullptr;
        return S_OK;
    }
    hr = SetServiceSecurity(pSvcG2);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"WMI CoSetProxyBlanket (ROOT\\Microsoft\\Windows\\Storage) failed (0x%x)", hr);
        ReleaseAndForget(pSvcG2);
    }
    return S_OK;
}

void WmiService::AddInitiatorNames(HostIqnVec& iqns) {
    ForEachInstance(pSvc, "MSiSCSIInitiator_MethodClass",
                    L"CreateInstanceEnum(MSiSCSIInitiator_MethodClass) failed (0x%x).\n",
                    [&](const IWbemClassObject& object) {
                        WmiValue value;
                        object.Get("iSCSINodeName", &value);
                        if (const auto* name = std::get_if<std::string>(&value)) {
                            BVSS_DebugPrint(L"Add iSCSINodeName:%S to HostIqnVec.\n", name->c_str());
                            iqns.push_back(*name);
                        } else {
                            BVSS_DebugPrint(L"MSiSCSIInitiator_MethodClass::iSCSINodeName is null.\n");
                        }
                    });
}

void WmiService::AddInitiatorPortNames(HostIqnVec& iqns) {
    ForEachInstance(pSvcG2, "MSFT_InitiatorPort", L"CreateInstanceEnum(MSFT_InitiatorPort) failed (0x%x)\n",
                    [&](const IWbemClassObject& object) {
                        WmiValue value;
                        CIMTYPE type = CIM_EMPTY;
                        if (FAILED(object.Get("NodeAddress", &value, &type))) {
                            BVSS_DebugPrint(L"Get(NodeAddress) failed\n");
                            return;
                        }
                        const auto* address = std::get_if<std::string>(&value);
                        if (type != CIM_STRING) {
                            BVSS_DebugPrint(L"NodeAddress type = %d, skipping\n", static_cast<int>(type));
                        } else if (address == nullptr) {
                            BVSS_DebugPrint(L"InstName.bstrVal == NULL.\n");
                        } else if (strncasecmp(address->c_str(), "iqn", 3) != 0) {
                            // The class lists every initiator port: Fibre Channel and SAS ones are not iSCSI
                            // names.
                            BVSS_DebugPrint(L"NodeAddress %S is not an iQN\n", address->c_str());
                        } else {
                            BVSS_DebugPrint(L"Add NodeAddress:%S to HostIqnVec.\n", address->c_str());
                            iqns.push_back(*address);
                        }
                    });
}

HRESULT WmiService::GetHostIQNs(HostIqnVec& iqns) {
    BVSS_FunctionTrace trace(L"WmiService::GetHostIQNs");
    if (pSvc != nullptr) AddInitiatorNames(iqns);
    if (pSvcG2 == nullptr) {
        BVSS_DebugPrint(L"pSvcG2 == NULL, NOT enumerating MSFT_InitiatorPort\n");
        return S_OK;
    }
    BVSS_DebugPrint(L"enumerating MSFT_InitiatorPort\n");
    AddInitiatorPortNames(iqns);
    BVSS_DebugPrint(L"Found %d Host iQNs\n", static_cast<int>(iqns.size()));
    return S_OK;
}

void WmiService::WmiUnInitialize() {
    BVSS_FunctionTrace trace(L"WmiService::WmiUnInitialize");
    ReleaseAndForget(pSvcG2);
    ReleaseAndForget(pSvc);
    ReleaseAndForget(pLoc);
}
