// COM start-up of a thread and the process's default COM security, as the WMI client calls them. Nothing
// here needs COM; the calls keep their results so that callers branch as they would on Windows.
#pragma once

#include "platform/win_types.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT RPC_E_TOO_LATE = static_cast<HRESULT>(0x80010119);
constexpr DWORD RPC_C_AUTHN_LEVEL_CONNECT = 2;
constexpr DWORD RPC_C_IMP_LEVEL_IMPERSONATE = 3;
constexpr DWORD EOAC_NONE = 0;

// S_OK the first time on a thread, S_FALSE after.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
// S_OK the first time in the process, RPC_E_TOO_LATE after.
HRESULT CoInitializeSecurity(void* descriptor, LONG authServices, void* authServiceList, void* reserved1,
                             DWORD authnLevel, DWORD impLevel, void* authList, DWORD capabilities,
                             void* reserved3);
