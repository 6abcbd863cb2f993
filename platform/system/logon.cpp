#include "platform/system/logon.h"

#include "platform/kernel/last_error.h"

BOOL LogonUserA(LPCSTR, LPCSTR, LPCSTR, DWORD, DWORD, HANDLE* token) {
    if (token != nullptr) *token = nullptr;
    SetLastError(ERROR_WRONG_PASSWORD);
    return FALSE;
}
