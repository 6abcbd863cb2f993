#include "provider/controllers/unload_signal.h"

#include "platform/last_error.h"
#include "platform/sync.h"
#include "provider/controllers/debug_log.h"

namespace {

// One manual-reset event for the process, made at its first use and kept (the library's life).
HANDLE UnloadEvent() {
    static const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

}  // namespace

void BVSS_SignalUnload() {
    if (UnloadEvent() != nullptr) SetEvent(UnloadEvent());
}

void BVSS_ClearUnload() {
    if (UnloadEvent() != nullptr) ResetEvent(UnloadEvent());
}

HRESULT BVSS_WaitUnlessUnloading(DWORD milliseconds) {
    const HANDLE event = UnloadEvent();
    if (event == nullptr) {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): no unload event (error %u).\n", GetLastError());
        return VSS_E_PROVIDER_VETO;
    }
    const DWORD wait = WaitForSingleObject(event, milliseconds);
    if (wait == WAIT_TIMEOUT) return S_OK;
    if (wait == WAIT_OBJECT_0) {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): the provider is unloading, the wait ends.\n");
    } else {
        BVSS_DebugPrint(L"BVSS_WaitUnlessUnloading(): wait failed (%u, error %u).\n", wait, GetLastError());
    }
    return VSS_E_PROVIDER_VETO;
}
