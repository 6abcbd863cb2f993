#include "provider/controllers/unload_signal.h"

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "provider/controllers/debug_log.h"

BVSS_UnloadSignal::BVSS_UnloadSignal() : mEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

BVSS_UnloadSignal::~BVSS_UnloadSignal() {
    if (mEvent != nullptr) CloseHandle(mEvent);
}

void BVSS_UnloadSignal::Signal() {
    if (mEvent != nullptr) SetEvent(mEvent);
}

void BVSS_UnloadSignal::Clear() {
    if (mEvent != nullptr) ResetEvent(mEvent);
}

HRESULT BVSS_UnloadSignal::WaitUnlessUnloading(DWORD milliseconds) const {
    if (mEvent == nullptr) {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): no unload event (error %u).\n", GetLastError());
        return VSS_E_PROVIDER_VETO;
    }
    const DWORD wait = WaitForSingleObject(mEvent, milliseconds);
    if (wait == WAIT_TIMEOUT) return S_OK;
    if (wait == WAIT_OBJECT_0) {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): the provider is unloading, the wait ends.\n");
    } else {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): wait failed (%u, error %u).\n", wait, GetLastError());
    }
    return VSS_E_PROVIDER_VETO;
}
