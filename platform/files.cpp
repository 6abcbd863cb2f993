#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/last_error.h"
#include "platform/machine_root.h"

DWORD GetFileAttributesA(LPCSTR path) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st {};
    if (::stat(platform::MapPath(path).c_str(), &st) != 0) {
        SetLastError(platform::WinErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

namespace platform {

FILE* OpenFile(const char* windowsPath, const char* mode) {
    if (windowsPath == nullptr || mode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FILE* f = std::fopen(MapPath(windowsPath).c_str(), mode);
    if (f == nullptr) SetLastError(WinErrorFromErrno(errno));
    return f;
}

}  // namespace platform
