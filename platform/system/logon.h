// The account check of the platform. This platform holds no Windows accounts: every logon fails as a
// wrong password would, so no account ever passes this check.
#pragma once

#include "platform/win_types.h"

constexpr DWORD LOGON32_LOGON_NETWORK = 3;
constexpr DWORD LOGON32_LOGON_BATCH = 4;
constexpr DWORD LOGON32_PROVIDER_DEFAULT = 0;

constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr DWORD ERROR_NO_SUCH_USER = 1317;
constexpr DWORD ERROR_WRONG_PASSWORD = 1323;
constexpr DWORD ERROR_ILL_FORMED_PASSWORD = 1324;
constexpr DWORD ERROR_LOGON_FAILURE = 1326;

// FALSE with last error ERROR_WRONG_PASSWORD; *token becomes null.
BOOL LogonUserA(LPCSTR user, LPCSTR domain, LPCSTR password, DWORD logonType, DWORD logonProvider,
                HANDLE* token);
