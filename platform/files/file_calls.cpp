#include "platform/files/file_calls.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/devices/device_io.h"
#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"
#include "platform/net/named_pipe.h"

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(platform::NarrowText(name).c_str(), access, shareMode, attributes, disposition, flags,
                       templateFile);
}

BOOL FlushFileBuffers(HANDLE file) {
    if (!platform::LookupHandleAs<platform::Stream>(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    if (name == nullptr || platform::IsPipeName(name) || platform::IsDevicePath(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::unlink(platform::MapPath(name).c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : platform::WinErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    static const char kWindowsDirectory[] = "C:\\Windows";
    const UINT length = sizeof(kWindowsDirectory) - 1;
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, kWindowsDirectory, length + 1);
    return length;
}
