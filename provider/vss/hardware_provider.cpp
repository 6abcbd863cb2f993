// The provider object's life: construction and start-up, the load and unload notifications, destruction,
// and the operations that answer without work.
#include "provider/vss/hardware_provider.h"

#include <mutex>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/hresult_guard.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/unload_signal.h"
#include "provider/vss/provider_ids.h"
#include "provider/vss/provider_type_library.h"

namespace {

// The process's proxy session, shared by every provider object: started by the first start-up that finds
// it down, stopped when the last loaded object unloads. Guarded by g_sessionGuard, taken inside an
// object's mCritSec.
std::mutex g_sessionGuard;
int sProxyInitialized = 0;
int g_loadedObjects = 0;

}  // namespace

std::atomic<LONG> BVSS_HardwareProvider::sInstanceCount{0};

const ComInterfaceEntry BVSS_HardwareProvider::kInterfaces[] = {
    ComEntry<BVSS_HardwareProvider, IBVSS_HardwareProvider>(IID_IBVSS_HardwareProvider),
    ComEntry<BVSS_HardwareProvider, IBVSS_HardwareProvider>(IID_IDispatch),
    ComEntry<BVSS_HardwareProvider, IVssProviderCreateSnapshotSet>(IID_IVssProviderCreateSnapshotSet),
    ComEntry<BVSS_HardwareProvider, IVssHardwareSnapshotProviderEx>(IID_IVssHardwareSnapshotProviderEx),
    ComEntry<BVSS_HardwareProvider, IVssHardwareSnapshotProviderEx>(IID_IVssHardwareSnapshotProvider),
    ComEntry<BVSS_HardwareProvider, IVssProviderNotifications>(IID_IVssProviderNotifications),
    ComEntry<BVSS_HardwareProvider, IProvideClassInfo>(IID_IProvideClassInfo),
    {}};

void BVSS_LogGuid(const char* name, const GUID& guid) {
    BVSS_DebugPrint(L"%S=0x%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X\n", name, guid.Data1, guid.Data2,
                    guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                    guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

HRESULT CreateHardwareProvider(ComModule* module, IUnknown* outer, REFIID iid, void** object) {
    return ComCreateInstance<BVSS_HardwareProvider>(module, outer, iid, object);
}

LONG BVSS_HardwareProvider::InstanceCount() { return sInstanceCount.load(); }

bool BVSS_HardwareProvider::SessionAlive() {
    {
        std::lock_guard<std::mutex> hold(g_sessionGuard);
        if (sProxyInitialized != 0) return true;
    }
    return listener_running() != 0;
}

// Every object sets up its own lock and state and runs the start-up; the process-wide parts of the
// start-up (the proxy session) run once.
BVSS_HardwareProvider::BVSS_HardwareProvider() {
    InitializeCriticalSection(&mCritSec);
    sInstanceCount.fetch_add(1);
    BVSS_DebugLog::StaticInit();
    {
        BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::BVSS_HardwareProvider");
        LangInit();
        OnLoad();  // a failed start-up is logged; the object is usable as far as it got
        BVSS_DebugPrint(L"BVSS_HardwareProvider() returning.\n");
    }
}

BVSS_HardwareProvider::~BVSS_HardwareProvider() {
    {
        BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::~BVSS_HardwareProvider");
        if (mLoaded) {
            BVSS_DebugPrint(L"~BVSS_HardwareProvider(): not unloaded, shutting down.\n");
            OnUnload(FALSE);
        }
        ReleaseControllerSet();  // the set dies with this object: it is published no longer
        BVSS_DebugPrint(L"~BVSS_HardwareProvider() returning.\n");
    }
    sInstanceCount.fetch_sub(1);
    DeleteCriticalSection(&mCritSec);
    BVSS_DebugLog::StaticDeinit();
}

HRESULT BVSS_HardwareProvider::OnLoad() {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::OnLoad");
    BVSS_CritSecLock lock(&mCritSec);
    mRaidControllerSet.mUnload.Clear();
    const HRESULT result = CatchHresult([&]() -> HRESULT {
        {
            std::lock_guard<std::mutex> hold(g_sessionGuard);
            if (!mLoaded) {
                mLoaded = true;
                ++g_loadedObjects;
            }
            if (sProxyInitialized == 0) {
                const int status = ProxyInit();
                if (status < 0) {
                    BVSS_DebugPrint(L"OnLoad(): ProxyInit failed with status 0x%08x.\n", status);
                    return VSS_E_PROVIDER_VETO;
                }
                sProxyInitialized = 1;
            }
        }
        HRESULT status = mRaidControllerSet.StaticInit();
        if (FAILED(status)) {
            BVSS_DebugPrint(L"OnLoad(): StaticInit failed with status 0x%08x.\n", status);
            return VSS_E_PROVIDER_VETO;
        }
        mSetPublished = true;
        status = CatchHresult([&] { return mRaidControllerSet.discoverRaidControllers(FALSE); });
        if (FAILED(status)) {
            BVSS_DebugPrint(L"OnLoad(): discoverRaidControllers failed with status 0x%08x.\n", status);
            return VSS_E_PROVIDER_VETO;
        }
        status = mRaidControllerSet.capiGetHbaWwpnList(&mFlexIDList, 1);
        if (FAILED(status))
            BVSS_DebugPrint(L"OnLoad(): discover Hba from corlink failed with status 0x%08x.\n", status);
        status = getIQNs(mFlexIDList);
        if (FAILED(status))
            BVSS_DebugPrint(L"OnLoad(): discover Host IQN failed with status 0x%08x.\n", status);
        if (mFlexIDList.empty()) {
            LogErrorEvent(L"OnLoad(): Can't find any HBA or Networking Controller. ");
            return VSS_E_PROVIDER_VETO;
        }
        BVSS_DebugPrint(L"OnLoad(): mFlexIDList =\n");
        for (const FlexIDEntry& port : mFlexIDList) {
            if (port.mKind == kFlexKindIscsi) {
                BVSS_DebugPrint(L"  IQN %S\n", port.mIscsiName);
            } else {
                const uint8_t* w = port.mWwpn;
                BVSS_DebugPrint(L"  WWN %02x%02x%02x%02x%02x%02x%02x%02x\n", w[0], w[1], w[2], w[3], w[4],
                                w[5], w[6], w[7]);
            }
        }
        return S_OK;
    });
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

HRESULT BVSS_HardwareProvider::OnLoad(IUnknown*) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::OnLoad");
    return S_OK;  // the start-up runs in the constructor
}

HRESULT BVSS_HardwareProvider::OnUnload(BOOL) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::OnUnload");
    mRaidControllerSet.mUnload.Signal();  // this object's wait for full copies under the lock ends
    BVSS_CritSecLock lock(&mCritSec);
    HRESULT result = S_OK;
    if (mSet.Unfinished()) result = CatchHresult([&] { return DeleteAbortedSnapshots(); });
    RestoreDiscovery(false);
    if (SUCCEEDED(result)) ReleaseControllerSet();
    Unload();
    mSet.MarkNone();
    BVSS_DebugPrint(L"returning 0x%08x\n", result);
    return result;
}

void BVSS_HardwareProvider::Unload() {
    std::lock_guard<std::mutex> hold(g_sessionGuard);
    if (!mLoaded) return;
    mLoaded = false;
    if (--g_loadedObjects > 0) return;
    // The last loaded object: the session ends, and with it a heart-beat thread that a failed start
    // left running.
    if (sProxyInitialized != 0 || listener_running() != 0) ProxyUnInit();
    sProxyInitialized = 0;
}

void BVSS_HardwareProvider::ReleaseControllerSet() {
    if (!mSetPublished) return;
    mSetPublished = false;
    const HRESULT status = mRaidControllerSet.StaticDeinit();
    if (FAILED(status)) BVSS_DebugPrint(L"OnUnload(): StaticDeinit failed with status 0x%08x.\n", status);
}

void BVSS_HardwareProvider::RestoreDiscovery(bool always) {
    if (!always && !mDiscoveryOff) return;
    mRaidControllerSet.capiSetDiscvoryFlag(1);
    mDiscoveryOff = false;
}

BOOL BVSS_HardwareProvider::isSupportedContext(LONG context) {
    BVSS_FunctionTrace trace(L"BVSS_HardwareProvider::isSupportedContext");
    if (context == VSS_CTX_ALL) return TRUE;
    const LONG kinds = VSS_VOLSNAP_ATTR_DIFFERENTIAL | VSS_VOLSNAP_ATTR_PLEX;
    if ((context & kinds) == 0) context |= VSS_VOLSNAP_ATTR_DIFFERENTIAL;
    const BOOL supported = (context & kinds) != kinds;
    if (!supported) BVSS_DebugPrint(L"isSupportedContext(): context 0x%X not supported.\n", context);
    mSet.SetContext(context);
    BVSS_DebugPrint(L"returning %S\n", supported ? "TRUE" : "FALSE");
    return supported;
}

// --- the operations that answer without work ---

HRESULT BVSS_HardwareProvider::GetProviderCapabilities(ULONGLONG*) { return E_NOTIMPL; }

HRESULT BVSS_HardwareProvider::OnReuseLuns(VDS_LUN_INFORMATION*, VDS_LUN_INFORMATION*, DWORD) {
    return E_NOTIMPL;
}

// --- the dual interface and the class information, served from the type library ---

HRESULT BVSS_HardwareProvider::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT BVSS_HardwareProvider::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadProviderTypeInfo(IID_IBVSS_HardwareProvider, info);
}

HRESULT BVSS_HardwareProvider::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return WithProviderTypeInfo(IID_IBVSS_HardwareProvider,
                                [&](ITypeInfo* info) { return info->GetIDsOfNames(names, count, ids); });
}

HRESULT BVSS_HardwareProvider::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    return WithProviderTypeInfo(IID_IBVSS_HardwareProvider, [&](ITypeInfo* info) {
        return info->Invoke(static_cast<IBVSS_HardwareProvider*>(this), member, flags, parameters, result,
                            exception, argumentError);
    });
}

HRESULT BVSS_HardwareProvider::GetClassInfo(ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    return LoadProviderTypeInfo(CLSID_BVSS_HardwareProvider, info);
}
