#include "platform/com/com_init.h"

#include <atomic>

#include "platform/com/com_results.h"

HRESULT CoInitializeEx(void*, DWORD) {
    thread_local bool initialized = false;
    if (initialized) return S_FALSE;
    initialized = true;
    return S_OK;
}

HRESULT CoInitializeSecurity(void*, LONG, void*, void*, DWORD, DWORD, void*, DWORD, void*) {
    static std::atomic<bool> done{false};
    return done.exchange(true) ? RPC_E_TOO_LATE : S_OK;
}

HRESULT CoSetProxyBlanket(const void* proxy, DWORD, DWORD, const wchar_t*, DWORD, DWORD, void*, DWORD) {
    return proxy == nullptr ? E_INVALIDARG : S_OK;
}
