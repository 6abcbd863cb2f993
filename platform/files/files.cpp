#include "platform/files/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"

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
    const std::string path = MapPath(windowsPath);
    // The system directory always exists on Windows; a fresh machine root may not hold it yet.
    const std::string systemDirectory = SystemDirectoryPath();
    if (std::strpbrk(mode, "wa") != nullptr &&
        path.compare(0, systemDirectory.size() + 1, systemDirectory + "/") == 0)
        MakeDirectories(systemDirectory);
    FILE* f = std::fopen(path.c_str(), mode);
    if (f == nullptr) SetLastError(WinErrorFromErrno(errno));
    return f;
}

}  // namespace platform
