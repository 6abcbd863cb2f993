// COM start-up of a thread, the process's default COM security and a proxy's security, as the WMI clients
// call them. Nothing here needs COM; the calls keep their results so that callers branch as they would on
// Windows.
#pragma once

#include "platform/win_types.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT RPC_E_TOO_LATE = static_cast<HRESULT>(0x80010119);
constexpr DWORD RPC_C_AUTHN_LEVEL_CONNECT = 2;
constexpr DWORD RPC_C_IMP_LEVEL_IMPERSONATE = 3;
constexpr DWORD EOAC_NONE = 0;
constexpr DWORD RPC_C_AUTHN_WINNT = 10;
constexpr DWORD RPC_C_AUTHZ_NONE = 0;
constexpr DWORD RPC_C_AUTHN_LEVEL_CALL = 3;

// S_OK the first time on a thread, S_FALSE after.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
// S_OK the first time in the process, RPC_E_TOO_LATE after.
HRESULT CoInitializeSecurity(void* descriptor, LONG authServices, void* authServiceList, void* reserved1,
                             DWORD authnLevel, DWORD impLevel, void* authList, DWORD capabilities,
                             void* reserved3);
// The security of calls through a proxy (a WMI service): S_OK for any proxy, E_INVALIDARG for none.
HRESULT CoSetProxyBlanket(const void* proxy, DWORD authnService, DWORD authzService,
                          const wchar_t* serverPrincipalName, DWORD authnLevel, DWORD impLevel,
                          void* authInfo, DWORD capabilities);
