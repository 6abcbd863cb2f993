// Files named by Windows paths.
#pragma once

#include <cstdio>

#include "platform/win_types.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// A file is read-only when its mode has no write bit (the system runs as root, which can write anything).
DWORD GetFileAttributesA(LPCSTR path);

namespace platform {
// fopen of a Windows path (mapped with MapPath, so a relative path names a file of the system directory);
// sets the last error on failure.
FILE* OpenFile(const char* windowsPath, const char* mode);
}  // namespace platform
