// The module's registration and unregistration: COM entries in the registry and the provider with the
// snapshot service's coordinator, each run with its own debug log.
#include <cstring>
#include <string>

#include "platform/com/com_classes.h"
#include "platform/com/vss_interfaces.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/vss/com_registration.h"
#include "provider/vss/module_path.h"
#include "provider/vss/provider_ids.h"
#include "provider/vss/provider_module.h"

namespace {

constexpr unsigned kCapiVersionMajor = 3;
constexpr unsigned kCapiVersionMinor = 10;
constexpr const char* kCapiRevision = "$LastChangedRevision: 15025 $";
void LogBanner(const BVSS_ProviderParameters& parameters) {
    BVSS_DebugPrint(L"# %s version %s, built %S at %S,\n#    CAPI version %u.%u (header SCC %S).\n",
                    parameters.Name, parameters.Version, __DATE__, __TIME__, kCapiVersionMajor,
                    kCapiVersionMinor, kCapiRevision);
    BVSS_DebugPrint(L"StartingLun = %d\n", parameters.StartingLun);
    BVSS_DebugPrint(L"StandardVolumesAreSupported = %d\n", parameters.StandardVolumesAreSupported);
    BVSS_DebugPrint(L"RecordSnapshotSetIds = %d\n", parameters.RecordSnapshotSetIds);
}

// The coordinator's administration object, or the failure of its creation.
HRESULT CreateVssAdmin(IVssAdmin** admin) {
    return CoCreateInstance(CLSID_VSSCoordinator, nullptr, CLSCTX_ALL, IID_IVssAdmin,
                            reinterpret_cast<void**>(admin));
}

// Registers the provider; a provider of the same ID already registered is removed first and registered again.
HRESULT RegisterWithCoordinator(IVssAdmin* admin, BVSS_ProviderParameters& parameters) {
    auto registerProvider = [&] {
        return admin->RegisterProvider(kVssProviderId, CLSID_BVSS_HardwareProvider, parameters.Name,
                                       VSS_PROV_HARDWARE, parameters.Version, kVssProviderVersionId);
    };
    HRESULT result = registerProvider();
    if (result == VSS_E_PROVIDER_ALREADY_REGISTERED) {
        const HRESULT removed = admin->UnregisterProvider(kVssProviderId);
        if (FAILED(removed)) {
            BVSS_DebugPrint(
                L"DllRegisterServer(): Provider old version unregistration failed with code 0x%08X.\n",
                removed);
        } else {
            BVSS_DebugPrint(L"DllRegisterServer(): Successfully unregistered old version.\n");
        }
        result = registerProvider();
    }
    if (FAILED(result))
        BVSS_DebugPrint(L"DllRegisterServer(): Provider Registration failed with code 0x%08X.\n", result);
    return result;
}

// The texts of the end of a registration run.
struct RunTexts {
    const WCHAR* succeeded;  // informational event: Name, Version
    const WCHAR* failed;     // error event: Name, Version, the code
    const WCHAR* returning;
};
constexpr RunTexts kRegistration = {L"%1$s version %2$s has been installed",
                                    L"%1$s version %2$s could not be installed, error 0x%3$08X",
                                    L"DllRegisterServer() returning 0x%08x\n"};
constexpr RunTexts kUnregistration = {L"%1$s version %2$s has been removed",
                                      L"%1$s version %2$s could not be removed, error 0x%3$08X",
                                      L"DllUnregisterServer() returning 0x%08x\n"};

// The end of a run: the event (the success text only for a run that succeeded, an error with the code
// otherwise), the coordinator released, the result logged.
HRESULT Finish(IVssAdmin* admin, const BVSS_ProviderParameters& parameters, HRESULT result,
               const RunTexts& texts) {
    LangInit();
    if (SUCCEEDED(result)) {
        LogEvent(texts.succeeded, parameters.Name, parameters.Version);
    } else {
        LogErrorEvent(texts.failed, parameters.Name, parameters.Version, result);
    }
    if (admin != nullptr) admin->Release();
    BVSS_DebugPrint(texts.returning, result);
    return result;
}

// The steps of DllRegisterServer inside its trace; each failure is logged by the step that failed.
HRESULT RegisterServer(BVSS_ProviderParameters& parameters) {
    BVSS_FunctionTrace trace(L"CBrenlowHardwareProviderModule::DllRegisterServer");
    IVssAdmin* admin = nullptr;
    HRESULT result = RegisterComServer(ModulePath().c_str());
    if (FAILED(result)) {
        BVSS_DebugPrint(L"DllRegisterServer(): Parent class registration failed with code 0x%08X.\n", result);
    } else {
        result = CreateVssAdmin(&admin);
        if (FAILED(result)) {
            BVSS_DebugPrint(L"DllRegisterServer(): VSS admin object creation failed with code 0x%08X.\n",
                            result);
        } else {
            result = RegisterWithCoordinator(admin, parameters);
        }
    }
    return Finish(admin, parameters, result, kRegistration);
}

HRESULT UnregisterServer(BVSS_ProviderParameters& parameters) {
    BVSS_FunctionTrace trace(L"CBrenlowHardwareProviderModule::DllUnregisterServer");
    IVssAdmin* admin = nullptr;
    const HRESULT created = CreateVssAdmin(&admin);
    if (FAILED(created)) {
        BVSS_DebugPrint(L"DllUnregisterServer(): VSS admin object creation failed with code 0x%08X.\n",
                        created);
    } else {
        const HRESULT removed = admin->UnregisterProvider(kVssProviderId);
        if (FAILED(removed))
            BVSS_DebugPrint(L"DllUnregisterServer(): Provider Unregistration failed with code 0x%08X.\n",
                            removed);
    }
    const HRESULT result = UnregisterComServer();
    if (FAILED(result))
        BVSS_DebugPrint(L"DllUnregisterServer(): Parent class Unregistration failed with code 0x%08X.\n",
                        result);
    return Finish(admin, parameters, result, kUnregistration);
}

}  // namespace

HRESULT CBrenlowHardwareProviderModule::DllRegisterServer() {
    BVSS_DebugLog::StaticInit();
    readProviderParameters();
    BVSS_ProviderParameters parameters = ProviderParameters();
    LogBanner(parameters);
    const HRESULT result = RegisterServer(parameters);
    BVSS_DebugLog::StaticDeinit();  // the log this run opened
    return result;
}

HRESULT CBrenlowHardwareProviderModule::DllUnregisterServer() {
    readProviderParameters();
    BVSS_DebugLog::StaticInit();
    BVSS_ProviderParameters parameters = ProviderParameters();
    const HRESULT result = UnregisterServer(parameters);
    BVSS_DebugLog::StaticDeinit();
    return result;
}
