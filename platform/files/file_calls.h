// Further calls on files and handles: opening by a wide name, flushing, deleting a file by its name.
#pragma once

#include "platform/files/file_io.h"
#include "platform/system/wide_text.h"
#include "platform/win_types.h"

// CreateFileA with the name converted from wide text.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
// TRUE for a handle that ReadFile and WriteFile reach (their writes are never held back here).
BOOL FlushFileBuffers(HANDLE file);
// Deletes a file of the machine root. A pipe or device name is no file: FALSE with ERROR_INVALID_PARAMETER.
BOOL DeleteFileA(LPCSTR name);

// "C:\Windows" (mapped under the root). Returns the length, or the size needed when too small.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
