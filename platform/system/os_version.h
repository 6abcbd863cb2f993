// The version of the operating system as the Windows version call reports it.
#pragma once

#include "platform/win_types.h"

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;  // set by the caller to sizeof(OSVERSIONINFOA)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

// This platform reports the NT family, version 6.2. FALSE (ERROR_INVALID_PARAMETER) when the size field
// is not the structure's size.
BOOL GetVersionExA(OSVERSIONINFOA* info);

// The packed version word: major version in the low byte, minor in the next, the build number in the high
// word; the top bit is clear on the NT family.
DWORD GetVersion();
