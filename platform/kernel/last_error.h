// The calling thread's last error and the system's text for an error code.
#pragma once

#include "platform/win_types.h"

DWORD GetLastError();
void SetLastError(DWORD code);

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD LANG_NEUTRAL = 0;
constexpr DWORD SUBLANG_DEFAULT = 1;
constexpr DWORD MAKELANGID(DWORD primary, DWORD sub) { return (sub << 10) | primary; }

// Supports FORMAT_MESSAGE_FROM_SYSTEM, with or without FORMAT_MESSAGE_ALLOCATE_BUFFER (then buffer is a
// char** that receives a block to free with LocalFree). Texts end in "\r\n" as the system's do. Returns the
// text's length, or 0 with last error ERROR_MR_MID_NOT_FOUND for a code without a text.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     void* arguments);
void* LocalFree(void* block);

namespace platform {
// The error code for a POSIX errno value, as the matching Windows call would report it.
DWORD WinErrorFromErrno(int err);
}  // namespace platform
